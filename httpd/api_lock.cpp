#include "api_lock.h"

#include <cstdint>
#include <mutex>

#include "ombixLocalWrap.h"

// Defined by a local API that may be entered concurrently; absent otherwise.
extern "C" __attribute__((weak)) const int32_t OmbixApiThreadSafe;

namespace ombixd {
namespace {
std::mutex api_mutex;
LocalApi current = linked_local_api();
}  // namespace

LocalApi linked_local_api() {
    return LocalApi{ombixExecuteName, &OmbixApiThreadSafe != nullptr && OmbixApiThreadSafe != 0};
}

void use_local_api(const LocalApi &api) {
    current = api;
}

bool local_api_is_thread_safe() {
    return current.thread_safe;
}

json_t *execute(const char *name, json_t *params) {
    if (current.thread_safe) return current.execute_name(name, params);
    std::lock_guard<std::mutex> lock(api_mutex);
    return current.execute_name(name, params);
}

}  // namespace ombixd
