#include "allocation.h"

#include <jansson.h>

#include <cstring>

namespace ombix {

void *obtain_bytes(std::size_t size) {
    json_malloc_t allocate = nullptr;
    json_free_t release = nullptr;
    json_get_alloc_funcs(&allocate, &release);
    // malloc(0) may answer null; a block of its own keeps null for failure.
    return allocate(size > 0 ? size : 1);
}

void *obtain_zeroed(std::size_t count, std::size_t size) {
    if (size != 0 && count > static_cast<std::size_t>(-1) / size) return nullptr;
    void *block = obtain_bytes(count * size);
    if (block != nullptr) std::memset(block, 0, count * size);
    return block;
}

void release_bytes(void *block) {
    if (block == nullptr) return;
    json_malloc_t allocate = nullptr;
    json_free_t release = nullptr;
    json_get_alloc_funcs(&allocate, &release);
    release(block);
}

}  // namespace ombix
