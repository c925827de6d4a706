// Every call of the call tables, run as the command-line client runs it, with
// its arguments named as the call's row names its members: each argument
// reaches the simulated board at its place in the call, and a missing or
// unknown one stops the call before anything is sent. The server runs in this
// process, so the board's call log shows what arrived.
#include <gtest/gtest.h>
#include <jansson.h>

#include <string>
#include <vector>

#include "call_description.h"
#include "call_runner.h"
#include "ombix_http_transport.h"
#include "server.h"
#include "server_process.h"
#include "sim_control.h"

namespace {

using ombix::calls::CallDescription;
using ombix::calls::Member;
using ombix::calls::Role;
using ombix::cli::Arguments;
namespace sim = ombix::sim;

constexpr char kBytesGiven[] = "0a0b";
constexpr long long kBytesGivenCount = 2;

// A byte count that sizes only bytes to write may be left out: it is then
// the number of bytes given.
bool may_be_left_out(const CallDescription &call, std::size_t count) {
    if (call.members[count].role != Role::ByteCount) return false;
    for (std::size_t i = 0; i < call.member_count; ++i) {
        if (call.members[i].counter == count && call.members[i].role != Role::WriteBytes) return false;
    }
    return true;
}

// The value member k is given (and the board should receive) on the command
// line: a small number of its own for an integer, a text of its own, two
// bytes to write; counts ask for two bytes or two records.
std::string value_of(const CallDescription &call, std::size_t k) {
    const Member &m = call.members[k];
    switch (m.role) {
        case Role::Input: return std::to_string(k + 1);
        case Role::Text: return "text " + std::to_string(k);
        case Role::WriteBytes: return kBytesGiven;
        case Role::ByteCount:
        case Role::ByteCountInOut:
        case Role::ListCount: return std::to_string(kBytesGivenCount);
        default: return "";
    }
}

// Every argument the command line takes for `call`, by the names of its row;
// counts that may be left out are left out.
Arguments arguments_of(const CallDescription &call) {
    Arguments arguments;
    for (std::size_t k = 0; k < call.member_count; ++k) {
        const Member &m = call.members[k];
        bool given = ombix::calls::is_parameter(m.role) && m.role != Role::ReadSwitch && !may_be_left_out(call, k);
        if (given) arguments[m.name] = value_of(call, k);
    }
    return arguments;
}

// What the board received for member k, against what the command line gave.
void expect_received(const CallDescription &call, std::size_t k, const sim::CallRecord &record) {
    const Member &m = call.members[k];
    SCOPED_TRACE(m.name);
    ASSERT_LT(k, record.arguments.size());
    const sim::Argument &received = record.arguments[k];
    if (ombix::calls::is_integer_parameter(m.role)) {
        ASSERT_EQ(received.kind, sim::Argument::Integer);
        long long expected = may_be_left_out(call, k) ? kBytesGivenCount : std::stoll(value_of(call, k));
        EXPECT_EQ(received.integer, expected);
    } else if (m.role == Role::Text) {
        ASSERT_EQ(received.kind, sim::Argument::Text);
        EXPECT_EQ(received.text, value_of(call, k));
    } else {
        // Bytes to write were given, and every output has room.
        ASSERT_EQ(received.kind, sim::Argument::Pointer);
        EXPECT_FALSE(received.null);
    }
}

std::vector<std::string> keys_of(const json_t *object) {
    std::vector<std::string> keys;
    const char *key = nullptr;
    json_t *value = nullptr;
    json_object_foreach(const_cast<json_t *>(object), key, value) keys.push_back(key);
    return keys;
}

std::vector<std::string> output_names(const CallDescription &call) {
    std::vector<std::string> names;
    for (std::size_t k = 0; k < call.member_count; ++k) {
        if (ombix::calls::is_output(call.members[k].role)) names.push_back(call.members[k].name);
    }
    return names;
}

class CliTable : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        std::string error;
        ASSERT_TRUE(ombixd::parse_listen_address("127.0.0.1:0", settings.address, error));
        server = ombixd::start_server(settings, error);
        ASSERT_NE(server, nullptr) << error;
        std::string url = "http://127.0.0.1:" + std::to_string(ombixd::server_port(server));
        OMBIX_HTTP_OPTIONS options{url.c_str(), nullptr, 10000, nullptr};
        ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
    }
    void TearDown() override {
        OmbixHttpClose(handle);
        ombixd::stop_server(server);
    }
    void reset_board() {
        sim::reset();
        sim::set_call_log(true);
    }

    ombixd::ServerSettings settings;
    ombixd::Server *server = nullptr;
    std::int32_t handle = 0;
};

TEST_F(CliTable, every_call_runs_with_its_arguments_named_as_in_its_row) {
    std::size_t calls = 0;
    for (const CallDescription *call : ombix::cli::all_calls()) {
        SCOPED_TRACE(call->name);
        ++calls;
        reset_board();
        ombix::cli::CallResult result = ombix::cli::run_call(*call, handle, arguments_of(*call));
        ASSERT_TRUE(result.ran) << result.error;

        sim::CallRecord record = sim::last_call(call->name);
        ASSERT_EQ(record.name, call->name) << "the call did not reach the board: code " << result.code;
        for (std::size_t k = 0; k < call->member_count; ++k) expect_received(*call, k, record);

        bool succeeded = result.code == 0 || result.code == 16;
        ASSERT_EQ(result.outputs != nullptr, succeeded) << result.code;
        if (succeeded) {
            EXPECT_EQ(keys_of(result.outputs), output_names(*call));
        }
        json_decref(result.outputs);
    }
    EXPECT_EQ(calls, 88u);
}

TEST_F(CliTable, a_missing_or_unknown_argument_is_named_and_nothing_is_sent) {
    for (const CallDescription *call : ombix::cli::all_calls()) {
        SCOPED_TRACE(call->name);
        const Arguments complete = arguments_of(*call);
        for (std::size_t k = 0; k < call->member_count; ++k) {
            const Member &m = call->members[k];
            if (complete.count(m.name) == 0 || m.role == Role::WriteBytes) continue;
            Arguments arguments = complete;
            arguments.erase(m.name);
            reset_board();
            ombix::cli::CallResult result = ombix::cli::run_call(*call, handle, arguments);
            EXPECT_FALSE(result.ran);
            EXPECT_EQ(result.error,
                      std::string("missing argument ") + m.name + (m.role == Role::Text ? "=TEXT" : "=INT"));
            EXPECT_TRUE(sim::calls().empty());
        }

        Arguments arguments = complete;
        arguments["notAMember"] = "1";
        reset_board();
        ombix::cli::CallResult result = ombix::cli::run_call(*call, handle, arguments);
        EXPECT_FALSE(result.ran);
        EXPECT_EQ(result.error, "the call has no argument notAMember");
        EXPECT_TRUE(sim::calls().empty());
    }
}

}  // namespace
