// The dashboard's files and GET /session through the server's whole request
// handling: the page comes without a token and with its security headers,
// while what a token may do is told only to that token.
#include <gtest/gtest.h>
#include <jansson.h>

#include <string>

#include "call_description.h"
#include "conversation.h"

namespace {

using ombix::calls::Privilege;

ombixd::Keys two_roles() {
    ombixd::Keyring ring;
    ring.add(ombixd::Key{"rita", Privilege::Reader, ombixd::digest_of("reader-token")});
    ring.add(ombixd::Key{"adam", Privilege::Admin, ombixd::digest_of("admin-token")});
    return ombixd::Keys(std::move(ring));
}

std::string answer_to(const ombixd::Keys &keys, const std::string &method, const std::string &path,
                      const std::string &token = "") {
    std::string request = method + " " + path + " HTTP/1.1\r\nHost: x\r\n";
    if (!token.empty()) request += "Authorization: Bearer " + token + "\r\n";
    request += "Content-Length: 0\r\n\r\n";
    ombixd::Conversation conversation(keys, nullptr);
    conversation.receive(request.data(), request.size());
    return conversation.output();
}

std::string body_of(const std::string &answer) {
    return answer.substr(answer.find("\r\n\r\n") + 4);
}

TEST(DashboardFiles, are_served_without_a_token_with_their_type_and_policy) {
    const ombixd::Keys keys = two_roles();
    struct Case {
        const char *method;
        const char *path;
        const char *status;
        const char *content_type;
    };
    const Case cases[] = {
        {"GET", "/", "200", "text/html; charset=utf-8"},
        {"GET", "/index.html", "200", "text/html; charset=utf-8"},
        {"GET", "/dashboard/style.css", "200", "text/css; charset=utf-8"},
        {"GET", "/dashboard/js/app.js", "200", "text/javascript; charset=utf-8"},
        {"GET", "/dashboard/icon.svg", "200", "image/svg+xml"},
        {"GET", "/dashboard/js/nothing.js", "404", "application/json"},
        {"GET", "/dashboard/../calls", "404", "application/json"},
        {"POST", "/", "405", "application/json"},
    };
    for (const Case &c : cases) {
        const std::string answer = answer_to(keys, c.method, c.path);
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        EXPECT_EQ(answer.substr(9, 3), c.status);
        EXPECT_NE(answer.find(std::string("Content-Type: ") + c.content_type + "\r\n"), std::string::npos);
        if (answer.substr(9, 3) == "200") {
            EXPECT_NE(answer.find("Content-Security-Policy: default-src 'self'; script-src 'self'"), std::string::npos);
            EXPECT_NE(answer.find("X-Content-Type-Options: nosniff\r\n"), std::string::npos);
            EXPECT_NE(answer.find("Cache-Control: "), std::string::npos);
        }
    }
    // The page loads only files the server has.
    const std::string page = body_of(answer_to(keys, "GET", "/"));
    for (const char *file : {"/dashboard/style.css", "/dashboard/js/app.js", "/dashboard/icon.svg"}) {
        EXPECT_NE(page.find(file), std::string::npos) << file;
        EXPECT_EQ(answer_to(keys, "GET", file).substr(9, 3), "200") << file;
    }
    EXPECT_EQ(page.find("<script>"), std::string::npos) << "no inline script";
}

TEST(Session, names_the_token_its_role_its_calls_and_the_code_texts) {
    const ombixd::Keys keys = two_roles();
    EXPECT_EQ(answer_to(keys, "GET", "/session").substr(9, 3), "401");
    EXPECT_EQ(answer_to(keys, "GET", "/session", "wrong").substr(9, 3), "401");
    EXPECT_EQ(answer_to(keys, "POST", "/session", "reader-token").substr(9, 3), "405");

    struct Case {
        const char *token;
        const char *name;
        Privilege role;
    };
    for (const Case &c :
         {Case{"reader-token", "rita", Privilege::Reader}, Case{"admin-token", "adam", Privilege::Admin}}) {
        const std::string answer = answer_to(keys, "GET", "/session", c.token);
        ASSERT_EQ(answer.substr(9, 3), "200") << answer;
        json_t *session = json_loads(body_of(answer).c_str(), 0, nullptr);
        ASSERT_NE(session, nullptr);
        EXPECT_STREQ(json_string_value(json_object_get(session, "name")), c.name);
        EXPECT_STREQ(json_string_value(json_object_get(session, "role")), ombix::calls::privilege_name(c.role));
        // Exactly the calls of the role and below, in the tables' order.
        json_t *calls = json_object_get(session, "calls");
        std::size_t k = 0;
        for (const ombix::calls::CallDescription *call : ombix::calls::all()) {
            if (call->privilege > c.role) continue;
            ASSERT_LT(k, json_array_size(calls));
            EXPECT_STREQ(json_string_value(json_array_get(calls, k++)), call->name);
        }
        EXPECT_EQ(k, json_array_size(calls));
        json_t *codes = json_object_get(session, "codes");
        EXPECT_STREQ(json_string_value(json_object_get(codes, "65543")), "parameters or answer did not match the call");
        EXPECT_STREQ(json_string_value(json_object_get(codes, "131076")), "cannot reach the server");
        EXPECT_STREQ(json_string_value(json_object_get(session, "otherCode")), "the board API reported a failure");
        json_decref(session);
    }
}

TEST(Session, without_tokens_is_an_anonymous_admin) {
    const ombixd::Keys none;
    const std::string answer = answer_to(none, "GET", "/session");
    ASSERT_EQ(answer.substr(9, 3), "200");
    EXPECT_NE(body_of(answer).find("\"name\":\"anonymous\",\"role\":\"admin\""), std::string::npos);
}

}  // namespace
