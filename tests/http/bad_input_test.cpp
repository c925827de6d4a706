// Requests no client of ours sends: each is answered as documented, and the
// server goes on serving well-formed calls afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "json_text.h"
#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "raw_http.h"
#include "server_process.h"

namespace {

using ombix::test::exchange;
using ombix::test::post_request;
using ombix::test::RawReply;

// The server still answers a real call correctly.
void expect_still_serving(const ombix::test::ServerProcess &server, const char *token = nullptr) {
    OMBIX_HTTP_OPTIONS options{server.url().c_str(), token, 5000, nullptr};
    std::int32_t handle = 0;
    ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
    std::uint8_t pwm = 0;
    std::int32_t rpm = 0;
    EXPECT_EQ(OmbixR_GetFanSpeed(handle, 1, &pwm, &rpm), OMBIX_RC_OK) << OmbixTransportLastError();
    EXPECT_EQ(rpm, 1800);
    OmbixHttpClose(handle);
}

std::string error_text(const RawReply &reply) {
    auto body = ombix::test::parse(reply.body);
    json_t *error = json_object_get(body.get(), "error");
    return json_is_string(error) ? json_string_value(error) : "<no error text in: " + reply.body + ">";
}

struct BadRequest {
    const char *what;
    std::string request;
    int status;
    const char *error;  // the start of the "error" text
};

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        ASSERT_TRUE(server.started());
    }
    ombix::test::ServerProcess server{{"--idle-timeout", "1"}};
};

TEST_F(BadInput, each_bad_request_is_refused_with_its_status_and_a_json_error) {
    const std::string deep_body(10000, '[');
    const std::string big_body(600 * 1024, 'A');
    const BadRequest cases[] = {
        {"malformed JSON", post_request("OmbixGetFanSpeed", "[{\"i\": \"fanNr\", "), 400, "body is not JSON"},
        {"trailing garbage", post_request("OmbixGetFanSpeed", "[] []"), 400, "body is not JSON"},
        // The parser's message quotes the body, here cut inside a character.
        {"a message quoting half a character", post_request("OmbixGetFanSpeed", "[\"\\u\xc3\xa9\"]"), 400,
         "body is not JSON: invalid escape"},
        {"three levels", post_request("OmbixGetFanSpeed", "[[[1]]]"), 400, "body nested deeper"},
        {"deep brackets", post_request("OmbixGetFanSpeed", deep_body), 400, "body nested deeper"},
        {"brackets inside a text do not count", post_request("OmbixGetFanSpeed", "[{\"i\": \"[[[[\", \"v\": 1}]"), 200,
         nullptr},
        {"oversized body", post_request("OmbixStorageWrite", big_body), 413, "body too large"},
        {"oversized chunked body",
         "POST /call/OmbixStorageWrite HTTP/1.1\r\nHost: x\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n\r\n" +
             std::string("96000\r\n") + big_body + "\r\n0\r\n\r\n",
         413, "body too large"},
        {"unknown call", post_request("OmbixGetFanSpeedy", "[]"), 404, "unknown call"},
        {"call name in the wrong case", post_request("ombixGetFanSpeed", "[]"), 404, "unknown call"},
        {"unknown endpoint", "GET /status HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", 404, "no such endpoint"},
        {"GET on a call", "GET /call/OmbixGetFanCount HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", 405,
         "use POST"},
        {"POST on the call list", post_request("../calls", ""), 404, nullptr},
    };
    for (const BadRequest &bad : cases) {
        SCOPED_TRACE(bad.what);
        RawReply reply = exchange(server.port(), bad.request);
        EXPECT_EQ(reply.status, bad.status) << reply.body;
        if (bad.error != nullptr) {
            EXPECT_EQ(error_text(reply).rfind(bad.error, 0), 0u) << reply.body;
        }
    }
    expect_still_serving(server);
}

TEST_F(BadInput, a_wrong_length_list_is_answered_400_with_the_error_object) {
    RawReply reply = exchange(server.port(), post_request("OmbixGetFanSpeed", "[1, 2]"));
    EXPECT_EQ(reply.status, 400);
    EXPECT_EQ(ombix::test::canonical(reply.body),
              ombix::test::canonical(R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 1}})"));
}

TEST_F(BadInput, a_client_that_disconnects_mid_request_leaves_the_server_serving) {
    for (int k = 0; k < 20; ++k) {
        int socket_fd = ombix::test::connect_loopback(server.port());
        ASSERT_GE(socket_fd, 0);
        // Promises 1000 bytes, sends a few, goes away.
        ombix::test::send_all(
            socket_fd, "POST /call/OmbixGetFanSpeed HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n[{\"i\":");
        close(socket_fd);
    }
    // And one that goes away in the middle of its headers.
    int socket_fd = ombix::test::connect_loopback(server.port());
    ombix::test::send_all(socket_fd, "POST /call/OmbixGetFan");
    close(socket_fd);
    expect_still_serving(server);
    EXPECT_TRUE(server.running());
}

TEST_F(BadInput, a_slow_client_is_dropped_after_the_idle_timeout_and_blocks_no_one) {
    int slow = ombix::test::connect_loopback(server.port());
    ASSERT_GE(slow, 0);
    ombix::test::send_all(slow, "POST /call/OmbixGetFanSpeed HTTP/1.1\r\nHost: x\r\nContent-Length: 30\r\n\r\n[");
    // While it dawdles, others are served.
    expect_still_serving(server);
    // The server closes the silent connection (idle timeout 1 s) without an answer.
    RawReply reply = ombix::test::read_reply(slow, 5000);
    close(slow);
    EXPECT_TRUE(reply.closed);
    EXPECT_EQ(reply.status, 0);
    expect_still_serving(server);
}

TEST(BadToken, a_missing_or_wrong_token_is_refused_401_and_the_right_one_accepted) {
    ombix::test::bypass_proxies();
    std::string directory = ombix::test::make_temp_directory();
    ombix::test::write_file(directory + "/token", "let-me-in-42\n");
    ombix::test::ServerProcess server({"--token-file", directory + "/token"});
    ASSERT_TRUE(server.started());
    const struct {
        const char *what;
        std::string headers;
        int status;
    } cases[] = {
        {"no Authorization header", "", 401},
        {"wrong token", "Authorization: Bearer let-me-in-43\r\n", 401},
        {"token prefix only", "Authorization: Bearer let-me-in-4\r\n", 401},
        {"token with more behind it", "Authorization: Bearer let-me-in-420\r\n", 401},
        {"another scheme", "Authorization: Basic let-me-in-42\r\n", 401},
        {"the token", "Authorization: Bearer let-me-in-42\r\n", 200},
    };
    for (const auto &attempt : cases) {
        SCOPED_TRACE(attempt.what);
        RawReply reply = exchange(server.port(), post_request("OmbixGetFanCount", "", attempt.headers));
        EXPECT_EQ(reply.status, attempt.status) << reply.body;
    }
    // The call list is behind the token too.
    EXPECT_EQ(exchange(server.port(), "GET /calls HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n").status, 401);
    expect_still_serving(server, "let-me-in-42");
    ombix::test::remove_directory(directory);
}

TEST(ServerProgram, stops_cleanly_on_sigterm_and_refuses_unusable_settings) {
    ombix::test::ServerProcess server;
    ASSERT_TRUE(server.started());
    EXPECT_EQ(server.stop(), 0);

    ombix::test::ServerProcess no_token_file({"--token-file", "/nonexistent/token"});
    EXPECT_FALSE(no_token_file.started());
    ombix::test::ServerProcess half_tls({"--tls-cert", "/nonexistent/cert.pem"});
    EXPECT_FALSE(half_tls.started());
    ombix::test::ServerProcess bad_address({}, "localhost:0");
    EXPECT_FALSE(bad_address.started());
}

TEST(ServerProgram, listens_on_the_ipv6_loopback_too) {
    ombix::test::bypass_proxies();
    ombix::test::ServerProcess server({}, "[::1]:0");
    if (!server.started()) GTEST_SKIP() << "no IPv6 loopback here";
    EXPECT_EQ(server.url().rfind("http://[::1]:", 0), 0u);
    expect_still_serving(server);
}

}  // namespace
