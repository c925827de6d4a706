// The memory of answers that keeps a repeated request from running twice.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "answer_memory.h"

namespace {

using ombixd::Answer;
using ombixd::AnswerMemory;
using ombixd::RequestId;
using Claim = AnswerMemory::Claim;

Answer answer_of(const std::string &body) {
    Answer answer;
    answer.body = body;
    return answer;
}

TEST(RequestId, takes_two_hexadecimal_fields_of_one_to_sixteen_digits) {
    const struct {
        const char *text;
        bool ok;
        std::uint64_t client, sequence;
    } cases[] = {
        {"00000000000000ff-0000000000000001", true, 255, 1},
        {"a-B", true, 10, 11},
        {"ffffffffffffffff-ffffffffffffffff", true, ~0ull, ~0ull},
        {"1ffffffffffffffff-1", false, 0, 0},
        {"-1", false, 0, 0},
        {"1-", false, 0, 0},
        {"1", false, 0, 0},
        {"1-2-3", false, 0, 0},
        {"g-1", false, 0, 0},
        {" 1-2", false, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        RequestId id;
        ASSERT_EQ(ombixd::parse_request_id(c.text, id), c.ok);
        if (c.ok) {
            EXPECT_EQ(id.client, c.client);
            EXPECT_EQ(id.sequence, c.sequence);
        }
    }
}

TEST(AnswerMemory, runs_each_sequence_once_and_answers_its_repeats_from_memory) {
    AnswerMemory memory;
    Answer answer;
    const RequestId first{7, 1}, second{7, 2}, other_client{8, 1};
    ASSERT_EQ(memory.claim(first, answer), Claim::Run);
    memory.remember(first, answer_of("one"));
    ASSERT_EQ(memory.claim(first, answer), Claim::Replay);
    EXPECT_EQ(answer.body, "one");
    ASSERT_EQ(memory.claim(other_client, answer), Claim::Run);  // ids are per client
    memory.remember(other_client, answer_of("other"));
    ASSERT_EQ(memory.claim(second, answer), Claim::Run);
    memory.remember(second, answer_of("two"));
    EXPECT_EQ(memory.claim(first, answer), Claim::Stale);  // older than the client's last call
    ASSERT_EQ(memory.claim(second, answer), Claim::Replay);
    EXPECT_EQ(answer.body, "two");
}

TEST(AnswerMemory, a_repeat_of_a_running_call_waits_for_its_answer) {
    AnswerMemory memory;
    Answer answer;
    const RequestId id{1, 5};
    ASSERT_EQ(memory.claim(id, answer), Claim::Run);
    std::atomic<bool> remembered{false};
    std::thread first_run([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        remembered = true;
        memory.remember(id, answer_of("late"));
    });
    Answer repeated;
    EXPECT_EQ(memory.claim(id, repeated), Claim::Replay);
    EXPECT_TRUE(remembered.load());
    EXPECT_EQ(repeated.body, "late");
    first_run.join();
}

TEST(AnswerMemory, keeps_within_its_limits_and_says_so_when_an_answer_is_gone) {
    ombixd::AnswerMemoryLimits limits;
    limits.clients = 2;
    limits.bytes = 10;
    limits.answer_bytes = 6;
    AnswerMemory memory(limits);
    Answer answer;
    auto run = [&](RequestId id, const std::string &body) {
        ASSERT_EQ(memory.claim(id, answer), Claim::Run);
        memory.remember(id, answer_of(body));
    };
    run({1, 1}, "1234567");  // longer than one answer may be
    EXPECT_EQ(memory.claim({1, 1}, answer), Claim::Forgotten);
    run({2, 1}, "abcdef");
    run({1, 2}, "ghijk");  // the two together pass 10 bytes: the older answer goes
    EXPECT_EQ(memory.claim({2, 1}, answer), Claim::Forgotten);
    EXPECT_EQ(memory.claim({1, 2}, answer), Claim::Replay);
    run({3, 1}, "x");  // a third client: the least recently seen (2) is forgotten altogether
    EXPECT_EQ(memory.claim({2, 1}, answer), Claim::Run);
}

}  // namespace
