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

// The executor's entry and whether the board behind it may be entered concurrently.
struct LocalApi {
    json_t *(*execute_name)(const char *name, json_t *params);
    bool thread_safe;
};

// The executor and board linked into the program (the simulated board in ombixd).
LocalApi linked_local_api();
// Chooses the local API that calls go to; before the server starts.
void use_local_api(const LocalApi &api);

bool local_api_is_thread_safe();

// ombixExecuteName, under the lock unless the local API is thread-safe.
json_t *execute(const char *name, json_t *params);

}  // namespace ombixd

#endif
