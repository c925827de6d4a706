// Serializing calls into the local board API.
//
// The server's threads may run calls at the same time. A local API that can
// be entered from several threads at once says so by defining, with C
// linkage, the constant
//
//     const int32_t OmbixApiThreadSafe = 1;
//
// Without it (or with 0) every call into the executor holds one lock.
#ifndef OMBIXD_API_LOCK_H
#define OMBIXD_API_LOCK_H

#include <jansson.h>

namespace ombixd {

bool local_api_is_thread_safe();

// ombixExecuteName, under the lock unless the local API is thread-safe.
json_t *execute(const char *name, json_t *params);

}  // namespace ombixd

#endif
