#include "failing_allocator.h"

#include <jansson.h>

#include <cstdlib>

namespace ombix::test {
namespace {

struct State {
    Failing mode = Failing::Nothing;
    std::size_t fail_at = 0;
    std::size_t counted = 0;
    bool failed = false;
    std::size_t in_use = 0;
    int paused = 0;
};

State state;

void *allocate(std::size_t size) {
    if (state.paused == 0) {
        std::size_t number = ++state.counted;
        bool refuse = (state.mode == Failing::Only && number == state.fail_at) ||
                      (state.mode == Failing::FromOn && number >= state.fail_at);
        if (refuse) {
            state.failed = true;
            return nullptr;
        }
    }
    void *block = std::malloc(size);
    if (block != nullptr) ++state.in_use;
    return block;
}

void release(void *block) {
    if (block == nullptr) return;
    --state.in_use;
    std::free(block);
}

// Before main, so that jansson never holds a block of another allocator.
[[maybe_unused]] const bool installed = [] {
    json_set_alloc_funcs(allocate, release);
    return true;
}();

}  // namespace

void fail_allocations(Failing mode, std::size_t n) {
    state.mode = mode;
    state.fail_at = n;
    state.counted = 0;
    state.failed = false;
}

const char *mode_name(Failing mode) {
    switch (mode) {
        case Failing::Nothing: return "nothing refused";
        case Failing::Only: return "only allocation";
        case Failing::FromOn: return "allocations from";
    }
    return "?";
}

std::size_t allocations_counted() {
    return state.counted;
}
bool an_allocation_failed() {
    return state.failed;
}
std::size_t blocks_in_use() {
    return state.in_use;
}

AllocationsPaused::AllocationsPaused() {
    ++state.paused;
}
AllocationsPaused::~AllocationsPaused() {
    --state.paused;
}

}  // namespace ombix::test
