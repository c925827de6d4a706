// The executor with allocations refused one at a time and from one on: every
// answer is the answer given without refusals, or no answer at all (out of
// memory, the call may have run), or {"ret": 12, "outs": []} with the local
// function not called. Nothing leaks.
#include <gtest/gtest.h>
#include <jansson.h>

#include <string>
#include <vector>

#include "answering_transport.h"
#include "failing_allocator.h"
#include "findings.h"
#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"
#include "stub_runner.h"

namespace {

using namespace ombix::test;
namespace sim = ombix::sim;

struct Request {
    std::string call;
    std::string params;  // JSON text, "NULL" for none
};

// Requests that the executor refuses or answers without the local function:
// their answers must survive refusals as well as those of calls that run.
const Request kRefusedRequests[] = {
    {"OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 2}, {"i": "x", "v": 1}])"},
    {"OmbixGetFanSpeed", "[]"},
    {"OmbixWatchdogTrigger", "[1]"},
    {"OmbixGetBoardInfo", R"({"a": 1})"},
    {"OmbixGetFanList", R"([{"i": "fanCount", "v": 3}, 1])"},
    {"OmbixGetDiskDriveSMARTAttrs", "[1]"},
    {"OmbixI2cXfer", "[1, 2, 3, 4, 5, 6]"},
    {"OmbixStorageRead", "7"},
    {"OmbixGetFanSpeed", R"([{"i": "fan", "v": 2}])"},
    {"OmbixGetFanList", R"([{"i": "fanCount", "v": 513}])"},
    {"OmbixStorageRead", R"([{"i": "storageNr", "v": 0}, {"i": "offset", "v": 0}, {"i": "dataLength", "v": -1}])"},
    {"OmbixI2cWrite",
     R"([{"i": "i2cNr", "v": 0}, {"i": "i2cAddress", "v": 80}, {"i": "memoryAddress", "v": 0}, {"i": "data", "v": "!!"}, {"i": "dataLength", "v": 2}])"},
    // A write whose data is null passes a null pointer: the only way a
    // buffer of the call may be missing.
    {"OmbixI2cWrite",
     R"([{"i": "i2cNr", "v": 0}, {"i": "i2cAddress", "v": 80}, {"i": "memoryAddress", "v": 0}, {"i": "data", "v": null}, {"i": "dataLength", "v": 0}])"},
    {"OmbixSpiXfer",
     R"([{"i": "spiNr", "v": 0}, {"i": "deviceId", "v": 0}, {"i": "command", "v": 50331664}, {"i": "commandSize", "v": 4}, {"i": "numTransfers", "v": 0}, {"i": "writeData", "v": null}, {"i": "readData", "v": ""}])"},
};

// What each stub sends, taken from the stubs themselves without refusals,
// then the requests above.
std::vector<Request> requests() {
    std::vector<Request> all;
    for (const std::string &call : call_names()) {
        reset_board();
        clear_requests();
        run_stub(call);
        all.push_back({call, requests_received().at(0)});
    }
    all.insert(all.end(), std::begin(kRefusedRequests), std::end(kRefusedRequests));
    return all;
}

bool ran(const std::string &call) {
    for (const sim::CallRecord &record : sim::calls()) {
        if (record.name == call) return true;
    }
    return false;
}

// The answer as compact JSON text, "NULL" for none.
std::string serve(const Request &request, Failing mode = Failing::Nothing, std::size_t n = 0, bool *refused = nullptr) {
    JsonPtr params = request.params == "NULL" ? nullptr : parse(request.params);
    json_t *answer = nullptr;
    bool any = run_refusing(mode, n, [&] { answer = ombixExecuteName(request.call.c_str(), params.get()); });
    if (refused != nullptr) *refused = any;
    std::string text = text_of(answer);
    json_decref(answer);
    return text;
}

TEST(ExecutorUnderRefusedAllocations, every_answer_is_whole_or_a_documented_failure_and_nothing_leaks) {
    const std::string kNoMemory = canonical(R"({"ret": 12, "outs": []})");
    Findings findings;
    std::size_t attempts = 0, refused_before_the_call = 0, unanswered = 0;
    for (const Request &request : requests()) {
        reset_board();
        const std::string whole = serve(request);
        ASSERT_NE(whole, "NULL") << request.call << " " << request.params;
        attempts += for_every_refusal([&](Failing mode, std::size_t n) {
            reset_board();
            const std::size_t in_use = blocks_in_use();
            bool refused = false;
            const std::string answer = serve(request, mode, n, &refused);
            const std::string where =
                request.call + " " + request.params + ", " + mode_name(mode) + " " + std::to_string(n) + ": " + answer;
            if (blocks_in_use() != in_use) findings.add("leaked blocks: " + where);
            bool documented = answer == whole || answer == "NULL" || (answer == kNoMemory && !ran(request.call));
            if (!documented) findings.add("neither whole nor a documented failure: " + where);
            if (!refused && answer != whole) findings.add("differs without a refusal: " + where);
            refused_before_the_call += answer == kNoMemory && whole != kNoMemory ? 1 : 0;
            unanswered += answer == "NULL" ? 1 : 0;
            return refused;
        });
    }
    EXPECT_EQ(findings.count(), 0u) << "of " << attempts << " runs";
    EXPECT_GT(attempts, 2000u);  // every call met refusals at many places
    // Both kinds of documented failure occur: the buffers and arrays the
    // executor obtains for itself were refused as well as JSON values.
    EXPECT_GT(refused_before_the_call, 0u);
    EXPECT_GT(unanswered, 0u);
}

}  // namespace
