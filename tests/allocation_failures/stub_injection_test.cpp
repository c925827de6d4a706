// The stubs with their own allocations refused one at a time and from one
// on, against a transport double that answers as the executor does: a stub
// sends its whole request or none, in which case it returns 12 and leaves
// every output as it was. Nothing leaks.
#include <gtest/gtest.h>

#include <string>

#include "answering_transport.h"
#include "failing_allocator.h"
#include "findings.h"
#include "ombix_types.h"
#include "stub_runner.h"

namespace {

using namespace ombix::test;

TEST(StubsUnderRefusedAllocations, a_stub_sends_its_whole_request_or_nothing_and_nothing_leaks) {
    Findings findings;
    std::size_t attempts = 0;
    for (const std::string &call : call_names()) {
        reset_board();
        clear_requests();
        const StubRun whole = run_stub(call);
        const std::string whole_request = requests_received().at(0);
        ASSERT_TRUE(whole.after.code == OMBIX_RC_OK || whole.after.code == OMBIX_RC_OUTPUTS_VALID) << call;
        attempts += for_every_refusal([&](Failing mode, std::size_t n) {
            reset_board();
            clear_requests();
            const std::size_t in_use = blocks_in_use();
            StubRun run;
            bool refused = run_refusing(mode, n, [&] { run = run_stub(call); });
            const std::string where =
                call + ", " + mode_name(mode) + " " + std::to_string(n) + ": code " + std::to_string(run.after.code);
            if (blocks_in_use() != in_use) findings.add("leaked blocks: " + where);
            if (requests_received().empty()) {
                if (run.after.code != OMBIX_RC_OVER_LIMIT) findings.add("nothing sent, but not 12: " + where);
                if (run.after.outputs != run.before.outputs)
                    findings.add("nothing sent, but outputs changed: " + where);
            } else {
                if (requests_received() != std::vector<std::string>{whole_request}) {
                    findings.add("sent " + requests_received().at(0) + " instead of " + whole_request + ": " + where);
                }
                if (!(run.after == whole.after)) findings.add("differs from the whole run: " + where);
            }
            return refused;
        });
    }
    EXPECT_EQ(findings.count(), 0u) << "of " << attempts << " runs";
}

}  // namespace
