// The sector buffer's memory for the Windows and the Linux program alike: the
// C library's allocator.
#include <cstdlib>

#include "platform.h"

namespace ombix::bootdisk {

void *platform_allocate(size_t size) {
    return std::malloc(size);
}

void platform_free(void *block) {
    std::free(block);
}

}  // namespace ombix::bootdisk
