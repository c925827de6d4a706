// The modules' own memory: byte buffers, record arrays and base64 texts.
//
// They come from the allocator jansson is set to use (json_set_alloc_funcs,
// the C library's malloc and free unless the program changed them), so a
// server program or an application that installs its own allocator for JSON
// values governs every block the modules take, and the modules keep no
// allocator state of their own.
#ifndef OMBIX_PROTOCOL_ALLOCATION_H
#define OMBIX_PROTOCOL_ALLOCATION_H

#include <cstddef>

namespace ombix {

// `size` bytes, uninitialised; null when they cannot be obtained. A size of
// 0 still gives a block of its own.
void *obtain_bytes(std::size_t size);

// `count` elements of `size` bytes, zero-filled; null when they cannot be
// obtained or the total does not fit a size_t.
void *obtain_zeroed(std::size_t count, std::size_t size);

// Releases a block of obtain_bytes or obtain_zeroed; null is ignored.
void release_bytes(void *block);

}  // namespace ombix

#endif
