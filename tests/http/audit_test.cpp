// The audit of calls that change the board, through the server's whole
// request handling in process: which requests leave a record and what it
// holds, secrets hidden whatever shape the list has, the JSON-lines file
// under concurrent writers and rotation, and the slowing of repeated
// authentication failures as a policy.
#include <gtest/gtest.h>
#include <jansson.h>
#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "answer_memory.h"
#include "audit_log.h"
#include "audit_sinks.h"
#include "auth_backoff.h"
#include "call_description.h"
#include "conversation.h"
#include "server_metrics.h"
#include "server_process.h"

namespace {

using ombix::calls::Privilege;

class Capture : public ombixd::AuditSink {
public:
    bool write(const ombixd::AuditRecord &record, std::string &) override {
        std::lock_guard<std::mutex> lock(mutex);
        records.push_back(record);
        return true;
    }
    std::mutex mutex;
    std::vector<ombixd::AuditRecord> records;
};

class Audit : public ::testing::Test {
protected:
    void SetUp() override {
        auto sink = std::make_unique<Capture>();
        capture = sink.get();
        ombixd::start_audit(std::move(sink));
    }
    void TearDown() override { ombixd::stop_audit(); }

    std::vector<ombixd::AuditRecord> records() {
        ombixd::flush_audit();
        std::lock_guard<std::mutex> lock(capture->mutex);
        return capture->records;
    }

    // Runs one request through a conversation, as from 192.0.2.7:4711.
    unsigned send(const ombixd::Keys &keys, const std::string &request, ombixd::AnswerMemory *memory = nullptr) {
        ombixd::Conversation conversation(keys, memory);
        conversation.set_peer("192.0.2.7:4711");
        conversation.receive(request.data(), request.size());
        const std::string &text = conversation.output();
        return text.rfind("HTTP/1.1 ", 0) == 0 ? static_cast<unsigned>(std::stoul(text.substr(9, 3))) : 0;
    }

    Capture *capture = nullptr;
};

ombixd::Keys two_keys() {
    ombixd::Keyring ring;
    ring.add(ombixd::Key{"olga", Privilege::Operator, ombixd::digest_of("operator-token")});
    ring.add(ombixd::Key{"ada", Privilege::Admin, ombixd::digest_of("admin-token")});
    return ombixd::Keys(std::move(ring));
}

std::string post(const std::string &call, const std::string &token, const std::string &body,
                 const std::string &extra = "") {
    return "POST /call/" + call + " HTTP/1.1\r\nHost: x\r\n" +
           (token.empty() ? "" : "Authorization: Bearer " + token + "\r\n") + extra +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const char kFanBody[] = R"([{"i":"fanNr","v":0},{"i":"targetPwm","v":100}])";
const char kPasswdBody[] = R"([{"i":"newPassword","v":"n3w-s3cret"},{"i":"oldPassword","v":"0ld-s3cret"}])";

TEST_F(Audit, records_each_call_that_changes_the_board_once_with_who_where_what_and_how_it_ended) {
    const ombixd::Keys keys = two_keys();
    const struct {
        const char *call;
        const char *token;
        const char *body;
        unsigned status;
        const char *outcome;  // null: no record
        const char *caller;
    } cases[] = {
        {"OmbixGetFanSpeed", "operator-token", R"([{"i":"fanNr","v":0}])", 200, nullptr, nullptr},
        {"OmbixGetBoardInfo", "admin-token", "", 200, nullptr, nullptr},
        {"OmbixSetFanModeManual", "operator-token", kFanBody, 200, "ran", "olga"},
        {"OmbixSetSystemState", "operator-token", R"([{"i":"systemState","v":1}])", 403, "refused", "olga"},
        {"OmbixSetFanModeManual", "admin-token", "[1]", 400, "rejected", "ada"},
        {"OmbixSetFanModeManual", "admin-token", "{not json", 400, "rejected", "ada"},
        {"OmbixSetFanModeManual", "wrong-token", kFanBody, 401, nullptr, nullptr},
        {"OmbixWatchdogTrigger", "ada", "", 401, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.call) + " with " + c.token + " " + c.body);
        const std::size_t before = records().size();
        EXPECT_EQ(send(keys, post(c.call, c.token, c.body)), c.status);
        const auto after = records();
        if (c.outcome == nullptr) {
            EXPECT_EQ(after.size(), before);
            continue;
        }
        ASSERT_EQ(after.size(), before + 1);
        const ombixd::AuditRecord &record = after.back();
        EXPECT_EQ(record.call, c.call);
        EXPECT_EQ(record.caller, c.caller);
        EXPECT_EQ(record.peer, "192.0.2.7:4711");
        EXPECT_EQ(record.outcome, c.outcome);
        EXPECT_EQ(record.status, c.status);
        EXPECT_EQ(record.has_code, c.status == 200);
        EXPECT_EQ(record.time.size(), 24u) << record.time;
    }
    const auto all = records();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all[0].params, kFanBody);
    EXPECT_EQ(all[0].code, 0);
    EXPECT_EQ(all[1].params, R"([{"i":"systemState","v":1}])") << "a refusal shows what was asked";
}

TEST_F(Audit, a_server_without_tokens_records_its_callers_as_anonymous) {
    EXPECT_EQ(send(ombixd::Keys(), post("OmbixGpioSetLevel", "", R"([{"i":"gpioNr","v":0},{"i":"level","v":1}])")),
              200u);
    const auto all = records();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].caller, "anonymous");
}

TEST_F(Audit, a_repeat_answered_from_memory_is_not_recorded_again) {
    const ombixd::Keys keys = two_keys();
    ombixd::AnswerMemory memory;
    const std::string request = post("OmbixSetFanModeManual", "admin-token", kFanBody, "Ombix-Request-Id: 1a-1\r\n");
    EXPECT_EQ(send(keys, request, &memory), 200u);
    EXPECT_EQ(send(keys, request, &memory), 200u);
    EXPECT_EQ(records().size(), 1u);
}

TEST_F(Audit, the_password_never_reaches_the_record_whatever_shape_the_list_has) {
    const ombixd::Keys keys = two_keys();
    const char *bodies[] = {
        kPasswdBody,
        // The names swapped, an element too many, a list that is not one.
        R"([{"i":"oldPassword","v":"0ld-s3cret"},{"i":"newPassword","v":"n3w-s3cret"}])",
        R"([{"i":"newPassword","v":"n3w-s3cret"},{"i":"oldPassword","v":"x"},{"i":"z","v":"0ld-s3cret"}])",
        R"({"newPassword":"n3w-s3cret","oldPassword":"0ld-s3cret"})",
        R"(["n3w-s3cret",["0ld-s3cret"]])",
        R"([{"i":"n3w-s3cret","v":"0ld-s3cret"}])",
    };
    for (const char *body : bodies) {
        SCOPED_TRACE(body);
        send(keys, post("OmbixPasswd", "admin-token", body));
        const auto all = records();
        ASSERT_FALSE(all.empty());
        const std::string line = ombixd::audit_json_line(all.back());
        EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
        EXPECT_NE(line.find("OmbixPasswd"), std::string::npos);
    }
    EXPECT_EQ(records().front().params, R"J([{"i":"newPassword","v":"(hidden)"},{"i":"oldPassword","v":"(hidden)"}])J");
}

TEST_F(Audit, a_long_buffer_is_kept_as_its_length) {
    const std::string data(4000, 'A');
    const std::string body = R"([{"i":"storageNr","v":0},{"i":"offset","v":0},{"i":"data","v":")" + data +
                             R"("},{"i":"dataLength","v":3000}])";
    send(two_keys(), post("OmbixStorageWrite", "admin-token", body));
    const auto all = records();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_NE(all[0].params.find(R"J("v":"(4000 characters)")J"), std::string::npos) << all[0].params;
}

class Stuck : public ombixd::AuditSink {
public:
    bool write(const ombixd::AuditRecord &, std::string &) override {
        std::unique_lock<std::mutex> lock(mutex);
        released.wait(lock, [&] { return open; });
        ++written;
        return true;
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        released.notify_all();
    }
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
    std::size_t written = 0;
};

double audit_failures() {
    for (const auto &family : ombixd::server_families())
        if (family.name == "ombix_audit_failures_total") return family.metric.at(0).counter.value;
    return -1;
}

TEST(AuditWriter, a_stuck_log_holds_up_no_request_and_the_records_it_cannot_take_are_counted) {
    auto owned = std::make_unique<Stuck>();
    Stuck &sink = *owned;
    ombixd::start_audit(std::move(owned));
    const double failures_before = audit_failures();
    constexpr std::size_t kSent = ombixd::kAuditQueueLimit + 100;
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t k = 0; k < kSent; ++k) ombixd::audit(ombixd::AuditRecord{});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    // The writer holds one record in the stuck write; the queue holds the bound.
    EXPECT_GE(audit_failures() - failures_before, 99);
    sink.release();
    ombixd::flush_audit();
    EXPECT_EQ(static_cast<double>(sink.written) + audit_failures() - failures_before, static_cast<double>(kSent));
    ombixd::stop_audit();
}

// The file as its readers see it: every line a whole JSON object.
std::vector<std::string> lines_of(const std::string &path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

TEST(AuditFile, lines_of_concurrent_writers_never_interleave_and_a_reopen_follows_a_rotation) {
    const std::string directory = ombix::test::make_temp_directory();
    const std::string path = directory + "/audit.jsonl";
    std::string error;
    // Two sinks on one file stand for two writers (two processes, or a
    // process and the one before it across a restart).
    auto first = ombixd::json_lines_sink(path, error);
    auto second = ombixd::json_lines_sink(path, error);
    ASSERT_TRUE(first && second) << error;
    ombixd::AuditRecord record;
    record.call = "OmbixSetFanModeManual";
    record.params = "[" + std::string(3000, '1') + "]";
    constexpr int kEach = 300;
    auto write_many = [&](ombixd::AuditSink &sink) {
        std::string why;
        for (int k = 0; k < kEach; ++k) EXPECT_TRUE(sink.write(record, why)) << why;
    };
    std::thread a(write_many, std::ref(*first));
    std::thread b(write_many, std::ref(*second));
    a.join();
    b.join();
    auto lines = lines_of(path);
    ASSERT_EQ(lines.size(), 2u * kEach);
    for (const std::string &line : lines) {
        json_t *value = json_loads(line.c_str(), 0, nullptr);
        ASSERT_NE(value, nullptr) << line.substr(0, 80);
        json_decref(value);
    }

    ASSERT_EQ(std::rename(path.c_str(), (path + ".1").c_str()), 0);
    ASSERT_TRUE(first->reopen(error)) << error;
    EXPECT_TRUE(first->write(record, error));
    EXPECT_EQ(lines_of(path).size(), 1u);
    EXPECT_EQ(lines_of(path + ".1").size(), 2u * kEach);
    ombix::test::remove_directory(directory);
}

ombixd::ClientKey ipv4_client(unsigned last) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0x0A000000u + last);
    return ombixd::client_key(reinterpret_cast<sockaddr *>(&address));
}

TEST(AuthBackoff, doubles_from_the_second_failure_up_to_its_cap_and_starts_afresh_after_success_or_quiet) {
    using std::chrono::milliseconds;
    ombixd::BackoffPolicy policy;
    policy.first = milliseconds(100);
    policy.cap = milliseconds(1000);
    policy.quiet = std::chrono::seconds(60);
    ombixd::AuthBackoff backoff(policy);
    const auto start = ombixd::AuthBackoff::Clock::now();
    const auto client = ipv4_client(1);
    const long expected[] = {0, 100, 200, 400, 800, 1000, 1000, 1000};
    for (long delay : expected) EXPECT_EQ(backoff.failed(client, start).count(), delay);
    for (int k = 0; k < 100; ++k) EXPECT_LE(backoff.failed(client, start).count(), 1000);
    EXPECT_EQ(backoff.failed(ipv4_client(2), start).count(), 0) << "another address has its own count";

    backoff.succeeded(client);
    EXPECT_EQ(backoff.failed(client, start).count(), 0);
    EXPECT_EQ(backoff.failed(client, start).count(), 100);
    EXPECT_EQ(backoff.failed(client, start + std::chrono::seconds(61)).count(), 0) << "after a quiet minute";
}

TEST(AuthBackoff, keeps_at_most_its_bound_of_addresses_and_forgets_the_longest_quiet_first) {
    ombixd::BackoffPolicy policy;
    policy.max_addresses = 64;
    ombixd::AuthBackoff backoff(policy);
    auto now = ombixd::AuthBackoff::Clock::now();
    backoff.failed(ipv4_client(0), now);
    for (unsigned k = 1; k < 10000; ++k) {
        now += std::chrono::milliseconds(1);
        backoff.failed(ipv4_client(k), now);
        if (k % 30 == 0) backoff.failed(ipv4_client(0), now);  // kept busy, so kept
    }
    EXPECT_EQ(backoff.addresses(), 64u);
    EXPECT_GT(backoff.failed(ipv4_client(0), now).count(), 0) << "a busy attacker is not forgotten";
}

}  // namespace
