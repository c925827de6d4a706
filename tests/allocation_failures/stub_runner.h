// Every stub made with the arguments of one table, and what its caller holds
// afterwards: the code and every byte of every output (integers, counts,
// buffers, records), so that two runs of a call compare in full.
#ifndef OMBIX_TEST_STUB_RUNNER_H
#define OMBIX_TEST_STUB_RUNNER_H

#include <cstdint>
#include <string>
#include <vector>

namespace ombix::test {

struct CallerView {
    std::int32_t code = 0;
    std::vector<std::uint8_t> outputs;  // all output storage, in argument order
};

inline bool operator==(const CallerView &a, const CallerView &b) {
    return a.code == b.code && a.outputs == b.outputs;
}

struct StubRun {
    CallerView before;  // the outputs as the caller set them up (code 0)
    CallerView after;   // the code and the outputs after the call
};

// The 88 call names ("OmbixGetFanSpeed"), in the order of the API's declaration.
const std::vector<std::string> &call_names();

// Calls the stub of `call` with its arguments from the table; every output
// starts filled with 0xA5, except counts that also go in.
StubRun run_stub(const std::string &call);

// The simulated board as every run finds it: its initial state, with a block
// written at SMBus command 3 so that the block read has bytes to deliver and
// GPIO line 3 an output so that its level can be set, and the watchdog
// running so that it can be triggered.
void reset_board();

}  // namespace ombix::test

#endif
