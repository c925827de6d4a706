#include "api_lock.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "call_description.h"
#include "ombixLocalWrap.h"
#include "ombix_api.h"

// Defined by a local API that may be entered concurrently; absent otherwise.
extern "C" __attribute__((weak)) const int32_t OmbixApiThreadSafe;

namespace ombixd {
namespace {

std::mutex api_mutex;

// The linked board's functions, found through the calls' table.
void *linked_board_function(const char *name) {
#define OMBIX_CALL_ROW(call, ...) \
    if (std::strcmp(name, "Ombix" #call) == 0) return reinterpret_cast<void *>(&Ombix##call);
#include "calls.def"
#undef OMBIX_CALL_ROW
    return nullptr;
}

std::vector<void *> resolve(const LocalApi &api) {
    std::vector<void *> functions;
    for (const ombix::calls::CallDescription *call : ombix::calls::all())
        functions.push_back(api.board_function != nullptr ? api.board_function(call->name) : nullptr);
    return functions;
}

LocalApi current = linked_local_api();
std::vector<void *> current_functions = resolve(current);

}  // namespace

LocalApi linked_local_api() {
    return LocalApi{ombixExecuteName, &OmbixApiThreadSafe != nullptr && OmbixApiThreadSafe != 0, linked_board_function};
}

void use_local_api(const LocalApi &api) {
    current = api;
    current_functions = resolve(api);
}

void *board_function(std::size_t call_index) {
    return call_index < current_functions.size() ? current_functions[call_index] : nullptr;
}

std::unique_lock<std::mutex> lock_board() {
    if (current.thread_safe) return std::unique_lock<std::mutex>();
    return std::unique_lock<std::mutex>(api_mutex);
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
