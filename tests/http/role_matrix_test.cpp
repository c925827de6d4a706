// Roles, checked over every call of the call tables: a token of each role
// runs every call of its role and below (200) and is refused every call
// above it (403), which then never reaches the board.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "call_description.h"
#include "conversation.h"
#include "sim_control.h"

namespace {

using ombix::calls::CallDescription;
using ombix::calls::Privilege;

constexpr Privilege kRoles[] = {Privilege::Reader, Privilege::Operator, Privilege::Admin};

std::string token_of(Privilege role) {
    return std::string("token-of-") + ombix::calls::privilege_name(role);
}

ombixd::Keyring three_roles() {
    ombixd::Keyring ring;
    for (Privilege role : kRoles)
        ring.add(ombixd::Key{ombix::calls::privilege_name(role), role, ombixd::digest_of(token_of(role))});
    return ring;
}

// A parameter list of the right length; the values need not make sense to
// the board, whose refusal still comes back with 200.
std::string parameters_of(const CallDescription &call) {
    std::string body = "[";
    for (std::size_t k = 0; k < call.member_count; ++k) {
        const ombix::calls::Member &m = call.members[k];
        if (!ombix::calls::is_parameter(m.role)) continue;
        const char *value = ombix::calls::is_integer_parameter(m.role) ? "0"
                            : m.role == ombix::calls::Role::Text       ? "\"x\""
                                                                       : "null";
        if (body.size() > 1) body += ",";
        body += std::string("{\"i\":\"") + m.name + "\",\"v\":" + value + "}";
    }
    return body + "]";
}

struct Reply {
    unsigned status = 0;
    std::string text;
};

// The answer to one request, through the server's whole request handling.
Reply answer_to(const ombixd::Keys &keys, const std::string &request) {
    ombixd::Conversation conversation(keys, nullptr);
    conversation.receive(request.data(), request.size());
    Reply reply;
    reply.text = conversation.output();
    if (reply.text.rfind("HTTP/1.1 ", 0) == 0)
        reply.status = static_cast<unsigned>(std::stoul(reply.text.substr(9, 3)));
    return reply;
}

std::string post(const std::string &path, const std::string &authorization, const std::string &body) {
    return "POST " + path + " HTTP/1.1\r\nHost: x\r\n" + authorization +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string bearer(Privilege role) {
    return "Authorization: Bearer " + token_of(role) + "\r\n";
}

class Roles : public ::testing::Test {
protected:
    void SetUp() override { ombix::sim::reset(); }
    void TearDown() override { ombix::sim::reset(); }
    const ombixd::Keys keys{three_roles()};
};

TEST_F(Roles, each_role_runs_the_calls_of_its_role_and_below_and_no_call_above_reaches_the_board) {
    std::size_t refused = 0;
    std::size_t ran = 0;
    for (const CallDescription *call : ombix::calls::all()) {
        for (Privilege role : kRoles) {
            SCOPED_TRACE(std::string(call->name) + " as " + ombix::calls::privilege_name(role));
            ombix::sim::reset();
            Reply reply = answer_to(keys, post(std::string("/call/") + call->name, bearer(role), parameters_of(*call)));
            if (call->privilege <= role) {
                ++ran;
                EXPECT_EQ(reply.status, 200u) << reply.text;
                EXPECT_EQ(ombix::sim::last_call(call->name).name, call->name);
            } else {
                ++refused;
                EXPECT_EQ(reply.status, 403u) << reply.text;
                const std::string error = std::string("{\"error\":\"") + call->name + " needs the " +
                                          ombix::calls::privilege_name(call->privilege) + " role; the token has the " +
                                          ombix::calls::privilege_name(role) + " role\"}";
                EXPECT_NE(reply.text.find("Content-Type: application/json"), std::string::npos);
                EXPECT_NE(reply.text.find(error), std::string::npos) << reply.text;
                EXPECT_TRUE(ombix::sim::calls().empty()) << "the board was called after a refusal";
            }
        }
    }
    EXPECT_EQ(ombix::calls::all().count, 88u);
    EXPECT_EQ(ran + refused, 3 * 88u);
    EXPECT_GT(refused, 0u);
}

// A call that changes the board, or drives a bus, must never be open to
// readers: its name says what it does, whatever row it sits in.
TEST_F(Roles, no_call_that_changes_the_board_or_drives_a_bus_is_open_to_readers) {
    const char *changing[] = {"Set",       "Write",        "Xfer",    "Enable",   "Disable",
                              "Reset",     "Passwd",       "Trigger", "Send",     "Quick",
                              "SmbusRead", "SmbusReceive", "I2cRead", "I2cProbe", "StorageRead"};
    std::size_t checked = 0;
    for (const CallDescription *call : ombix::calls::all()) {
        for (const char *word : changing) {
            if (std::strstr(call->name, word) == nullptr) continue;
            EXPECT_NE(call->privilege, Privilege::Reader) << call->name;
            ++checked;
            break;
        }
    }
    EXPECT_EQ(checked, 34u);
    for (const char *admin : {"OmbixSetSystemState", "OmbixPasswd", "OmbixWatchdogEnable", "OmbixWatchdogDisable",
                              "OmbixStorageWrite", "OmbixResetIntruderStatus"})
        EXPECT_EQ(ombix::calls::find(admin)->privilege, Privilege::Admin) << admin;
}

TEST_F(Roles, every_role_lists_the_calls_and_scrapes_and_no_token_gets_401) {
    for (const char *path : {"/calls", "/metrics", "/openapi.json"}) {
        for (Privilege role : kRoles) {
            SCOPED_TRACE(std::string(path) + " as " + ombix::calls::privilege_name(role));
            EXPECT_EQ(
                answer_to(keys, std::string("GET ") + path + " HTTP/1.1\r\nHost: x\r\n" + bearer(role) + "\r\n").status,
                200u);
        }
        EXPECT_EQ(answer_to(keys, std::string("GET ") + path + " HTTP/1.1\r\nHost: x\r\n\r\n").status, 401u) << path;
        EXPECT_EQ(answer_to(keys, std::string("GET ") + path +
                                      " HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer token-of-nobody\r\n\r\n")
                      .status,
                  401u)
            << path;
    }
}

// Without any token every caller may run every call, as before roles.
TEST_F(Roles, a_server_without_tokens_runs_admin_calls_for_anyone) {
    const ombixd::Keys open;
    EXPECT_EQ(answer_to(open, post("/call/OmbixWatchdogDisable", "", "")).status, 200u);
    EXPECT_EQ(ombix::sim::last_call("OmbixWatchdogDisable").name, "OmbixWatchdogDisable");
}

}  // namespace
