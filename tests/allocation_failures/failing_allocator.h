// An allocator for jansson that fails on request. The API modules take their
// own buffers from jansson's allocator too, so it reaches every block that a
// stub, the executor or the loopback transport obtains. It is installed
// before main runs; the C++ objects of the tests and of the simulated board
// come from operator new and are never failed.
#ifndef OMBIX_TEST_FAILING_ALLOCATOR_H
#define OMBIX_TEST_FAILING_ALLOCATOR_H

#include <cstddef>

namespace ombix::test {

enum class Failing {
    Nothing,  // every allocation succeeds
    Only,     // the Nth allocation fails, the others succeed
    FromOn,   // the Nth allocation and all later ones fail
};

// Sets the mode and starts counting allocations from 1 again.
void fail_allocations(Failing mode, std::size_t n = 0);

// Allocations asked for since the last fail_allocations, and whether any of
// them was refused.
std::size_t allocations_counted();
bool an_allocation_failed();

// Blocks obtained and not yet released, over the whole run.
std::size_t blocks_in_use();

// Runs `work` with the allocations refused as `mode` and `n` say, then lets
// every allocation succeed again. True when an allocation was refused.
template <typename Work>
bool run_refusing(Failing mode, std::size_t n, Work work) {
    fail_allocations(mode, n);
    work();
    bool refused = an_allocation_failed();
    fail_allocations(Failing::Nothing);
    return refused;
}

// Calls attempt(mode, n) for the Nth allocation refused alone and for the
// Nth and all later ones refused, N = 1, 2, ..., until an attempt meets no
// refusal (it returns run_refusing's answer). Returns the attempts made.
template <typename Attempt>
std::size_t for_every_refusal(Attempt attempt) {
    std::size_t attempts = 0;
    for (Failing mode : {Failing::Only, Failing::FromOn}) {
        for (std::size_t n = 1;; ++n) {
            ++attempts;
            if (!attempt(mode, n)) break;
        }
    }
    return attempts;
}

const char *mode_name(Failing mode);

// While one lives, allocations are neither counted nor failed: the work of a
// test double that stands in for a peer.
class AllocationsPaused {
public:
    AllocationsPaused();
    ~AllocationsPaused();
    AllocationsPaused(const AllocationsPaused &) = delete;
    AllocationsPaused &operator=(const AllocationsPaused &) = delete;
};

}  // namespace ombix::test

#endif
