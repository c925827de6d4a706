// Every stub through the loopback transport and the executor with any
// allocation on the way refused, one at a time and from one on: the caller
// gets what it gets without refusals, or a documented failure with every
// output as it was: 12 (no memory before the local function ran, and it did
// not run), 0x20008 (the executor ran out of memory) or 0x20003 (the
// transport could not turn a message into text and back). Never "unknown
// call", and the local function runs at most once. Nothing leaks.
#include <gtest/gtest.h>

#include <string>

#include "failing_allocator.h"
#include "findings.h"
#include "ombix_transport_codes.h"
#include "ombix_types.h"
#include "sim_control.h"
#include "stub_runner.h"

namespace {

using namespace ombix::test;
namespace sim = ombix::sim;

std::size_t times_run(const std::string &call) {
    std::size_t times = 0;
    for (const sim::CallRecord &record : sim::calls()) times += record.name == call ? 1 : 0;
    return times;
}

TEST(LoopbackUnderRefusedAllocations, the_caller_gets_the_whole_answer_or_a_documented_failure) {
    Findings findings;
    std::size_t attempts = 0;
    for (const std::string &call : call_names()) {
        reset_board();
        const StubRun whole = run_stub(call);
        ASSERT_TRUE(whole.after.code == OMBIX_RC_OK || whole.after.code == OMBIX_RC_OUTPUTS_VALID) << call;
        attempts += for_every_refusal([&](Failing mode, std::size_t n) {
            reset_board();
            const std::size_t in_use = blocks_in_use();
            StubRun run;
            bool refused = run_refusing(mode, n, [&] { run = run_stub(call); });
            const std::int32_t code = run.after.code;
            const std::string where =
                call + ", " + mode_name(mode) + " " + std::to_string(n) + ": code " + std::to_string(code);
            if (blocks_in_use() != in_use) findings.add("leaked blocks: " + where);
            if (times_run(call) > 1) findings.add("the local function ran twice: " + where);
            if (run.after == whole.after) return refused;
            if (!refused) findings.add("differs without a refusal: " + where);
            bool documented = code == OMBIX_RC_OVER_LIMIT || code == OMBIX_TRANSPORT_RC_OUT_OF_MEMORY ||
                              code == OMBIX_TRANSPORT_RC_BAD_MESSAGE;
            if (!documented) findings.add("neither whole nor a documented failure: " + where);
            if (run.after.outputs != run.before.outputs) findings.add("a failure changed outputs: " + where);
            if (code == OMBIX_RC_OVER_LIMIT && times_run(call) != 0) findings.add("12, but the call ran: " + where);
            return refused;
        });
    }
    EXPECT_EQ(findings.count(), 0u) << "of " << attempts << " runs";
    EXPECT_GT(attempts, 4000u);  // every call met refusals at many places
}

}  // namespace
