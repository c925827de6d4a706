// Request handling when memory runs out: jansson's allocations (the
// executor's and the server's) fail one after another, at every point of a
// call. Each answer is then the call's true answer or 503 "out of memory",
// never "unknown call", and nothing leaks (the sanitizer build checks that).
#include <gtest/gtest.h>
#include <jansson.h>

#include <cstdlib>
#include <string>

#include "conversation.h"
#include "request_handler.h"
#include "sim_control.h"

namespace {

// Allocations left before the next one fails; negative: none fails.
thread_local long allocations_left = -1;

void *failing_malloc(std::size_t size) {
    if (allocations_left == 0) return nullptr;
    if (allocations_left > 0) --allocations_left;
    return std::malloc(size);
}

class MemoryFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::sim::reset();
        ombix::sim::set_call_log(false);
        json_set_alloc_funcs(failing_malloc, std::free);
    }
    void TearDown() override {
        allocations_left = -1;
        json_set_alloc_funcs(std::malloc, std::free);
        ombix::sim::set_call_log(true);
    }
};

constexpr char kOutOfMemoryBody[] = R"({"error":"out of memory"})";
constexpr long kEnoughAllocations = 10000;

TEST_F(MemoryFailure, a_call_answers_truly_or_503_whichever_allocation_fails) {
    const struct {
        const char *call;
        const char *body;
    } calls[] = {
        {"OmbixGetFanSpeed", R"([{"i":"fanNr","v":0}])"},
        {"OmbixGetFanList", R"([{"i":"fanCount","v":3}])"},
        {"OmbixGetBoardInfo", ""},
        {"OmbixGetFanSpeed", R"([{"i":"fanNr","v":0},{"i":"x","v":1}])"},  // an error object
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(std::string(c.call) + " " + c.body);
        const ombixd::Answer expected = ombixd::run_call(c.call, c.body);
        ASSERT_NE(expected.status, 503u);
        long failures = 0;
        for (long allowed = 0; allowed < kEnoughAllocations; ++allowed) {
            allocations_left = allowed;
            ombixd::Answer answer = ombixd::run_call(c.call, c.body);
            const bool none_failed = allocations_left > 0;
            allocations_left = -1;
            if (answer.status == 503) {
                EXPECT_EQ(answer.body, kOutOfMemoryBody) << allowed;
                ++failures;
            } else {
                EXPECT_EQ(answer.status, expected.status) << allowed;
                EXPECT_EQ(answer.body, expected.body) << allowed;
            }
            if (none_failed) break;
        }
        EXPECT_GT(failures, 0);
    }
}

TEST_F(MemoryFailure, the_http_answer_is_one_503_and_the_connection_stays_usable) {
    static const ombixd::Keys no_token;
    const std::string request =
        "POST /call/OmbixGetFanSpeed HTTP/1.1\r\nHost: x\r\nContent-Length: 21\r\n\r\n"
        R"([{"i":"fanNr","v":0}])";
    for (long allowed = 0; allowed < 4; ++allowed) {
        SCOPED_TRACE(allowed);
        ombixd::Conversation conversation(no_token, nullptr);
        allocations_left = allowed;
        conversation.receive(request.data(), request.size());
        allocations_left = -1;
        ASSERT_EQ(conversation.state(), ombixd::Conversation::State::Writing);
        EXPECT_EQ(conversation.output().rfind("HTTP/1.1 503 Service Unavailable\r\n", 0), 0u) << conversation.output();
        EXPECT_NE(conversation.output().find(kOutOfMemoryBody), std::string::npos);
        conversation.output_sent();
        conversation.receive(request.data(), request.size());
        EXPECT_EQ(conversation.output().rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << conversation.output();
    }
}

}  // namespace
