#include "api_lock.h"

#include <cstdint>
#include <mutex>

#include "ombixLocalWrap.h"

// Defined by a local API that may be entered concurrently; absent otherwise.
extern "C" __attribute__((weak)) const int32_t OmbixApiThreadSafe;

namespace ombixd {
namespace {
std::mutex api_mutex;
}

bool local_api_is_thread_safe() { return &OmbixApiThreadSafe != nullptr && OmbixApiThreadSafe != 0; }

json_t *execute(const char *name, json_t *params) {
    static const bool thread_safe = local_api_is_thread_safe();
    if (thread_safe) return ombixExecuteName(name, params);
    std::lock_guard<std::mutex> lock(api_mutex);
    return ombixExecuteName(name, params);
}

}  // namespace ombixd
