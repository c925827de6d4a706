// What the audit adds to a call that changes the board: the request through
// a conversation (parsing, the executor, the simulated board, the answer)
// without a sink (the baseline) and with one, whose record is built and
// queued on the serving thread; and, for the writer thread, one line
// appended to a file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "audit_log.h"
#include "audit_sinks.h"
#include "conversation.h"

namespace {

const std::string kBody = R"([{"i":"fanNr","v":0},{"i":"targetPwm","v":90}])";
const std::string kRequest =
    "POST /call/OmbixSetFanModeManual HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(kBody.size()) +
    "\r\n\r\n" + kBody;

std::atomic<long> kept{0};

class Discard : public ombixd::AuditSink {
public:
    bool write(const ombixd::AuditRecord &, std::string &) override {
        kept.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
};

void run_requests(benchmark::State &state) {
    const ombixd::Keys keys;
    for (auto _ : state) {
        ombixd::Conversation conversation(keys, nullptr);
        conversation.set_peer("127.0.0.1:40112");
        conversation.receive(kRequest.data(), kRequest.size());
        if (conversation.output().rfind("HTTP/1.1 200", 0) != 0) {
            state.SkipWithError("the call was not answered 200");
            break;
        }
    }
}

void BM_ChangingCallUnaudited(benchmark::State &state) {
    ombixd::stop_audit();
    run_requests(state);
}
BENCHMARK(BM_ChangingCallUnaudited);

void BM_ChangingCallAudited(benchmark::State &state) {
    kept = 0;
    ombixd::start_audit(std::make_unique<Discard>());
    run_requests(state);
    ombixd::flush_audit();
    ombixd::stop_audit();
    // Records beyond the queue's bound would be dropped, not built: the
    // figure counts only when every record was handed over.
    state.counters["recorded"] = static_cast<double>(kept.load()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ChangingCallAudited);

void BM_FileLine(benchmark::State &state) {
    char path[] = "/tmp/ombix-audit-bench-XXXXXX";
    const int fd = mkstemp(path);
    close(fd);
    std::string error;
    auto sink = ombixd::json_lines_sink(path, error);
    ombixd::AuditRecord record;
    record.time = ombixd::audit_time_now();
    record.caller = "alice";
    record.peer = "127.0.0.1:40112";
    record.call = "OmbixSetFanModeManual";
    record.params = kBody;
    record.outcome = "ran";
    record.status = 200;
    record.has_code = true;
    for (auto _ : state) benchmark::DoNotOptimize(sink->write(record, error));
    sink.reset();
    unlink(path);
}
BENCHMARK(BM_FileLine);

}  // namespace
