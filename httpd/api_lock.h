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

#include <cstddef>
#include <mutex>

namespace ombixd {

// The executor's entry, whether the board behind it may be entered
// concurrently, and the board's own functions by name (for the scrape, which
// reads the board without building JSON).
struct LocalApi {
    json_t *(*execute_name)(const char *name, json_t *params);
    bool thread_safe;
    void *(*board_function)(const char *name) = nullptr;  // null: the scrape finds no board function
};

// The executor and board linked into the program (the simulated board in ombixd).
LocalApi linked_local_api();
// Chooses the local API that calls go to; before the server starts.
void use_local_api(const LocalApi &api);

bool local_api_is_thread_safe();

// ombixExecuteName, under the lock unless the local API is thread-safe.
json_t *execute(const char *name, json_t *params);

// The board function of the call at `call_index` in the calls' table order
// (ombix::calls::all()), resolved when the local API was chosen; null if the
// board lacks it.
void *board_function(std::size_t call_index);
// Held while a board function is called directly: the lock, unless the local
// API is thread-safe.
std::unique_lock<std::mutex> lock_board();

}  // namespace ombixd

#endif
