// The request executor: one file-local wrapper per call of the API, each the
// frame of its row in calls.def, and the dispatcher that finds a wrapper by
// name.
#include "ombixLocalWrap.h"

#include "call_frame.h"
#include "call_index.h"
#include "ombix_api.h"

namespace {

using ombix::server::serve;
namespace calls = ombix::calls;

// ---- The wrappers -----------------------------------------------------------

// Ombix<call>_JSonWrap for every function the local API declares.
#define OMBIX_CALL(call, arguments)                      \
    json_t *Ombix##call##_JSonWrap(json_t *params) {     \
        return serve<calls::call>(&Ombix##call, params); \
    }
#include "ombix_calls.h"
#undef OMBIX_CALL

// ---- The dispatcher ---------------------------------------------------------

using Wrapper = json_t *(*)(json_t *);

struct CallEntry {
    const char *name;
    std::size_t length;
    Wrapper wrap;
};

constexpr CallEntry kCalls[] = {
#define OMBIX_CALL(call, arguments) {"Ombix" #call, sizeof("Ombix" #call) - 1, &Ombix##call##_JSonWrap},
#include "ombix_calls.h"
#undef OMBIX_CALL
};

constexpr ombix::server::CallIndex kIndex = ombix::server::build_index(kCalls);

}  // namespace

extern "C" json_t *ombixExecuteName(const char *name, json_t *params) {
    if (name == nullptr) return nullptr;
    const CallEntry *entry = ombix::server::find_call(kCalls, kIndex, name);
    return entry != nullptr ? entry->wrap(params) : nullptr;
}
