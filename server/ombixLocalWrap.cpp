// The request executor: one file-local wrapper per call, generated from the
// call tables (*.def), and the dispatcher that finds a wrapper by name.
#include "ombixLocalWrap.h"

#include <cstdint>
#include <type_traits>

#include "call_index.h"
#include "call_table.h"
#include "ombix_api.h"
#include "record_frame.h"
#include "scalar_frame.h"
#include "transfer_frame.h"

namespace {

using namespace ombix;
using namespace ombix::server;

// ---- The wrappers -----------------------------------------------------------

#define NAME_IN(type, name) #name,
#define NAME_OUT(type, name) #name,
#define TYPE_IN(type, name) , type
#define TYPE_OUT(type, name) , type *

// A scalar row becomes Ombix<call>_JSonWrap. The row's member types must be
// exactly the local function's argument types. The transfer table has scalar
// rows too, so SCALAR stays defined until both tables are read.
#define SCALAR(call, ...)                                                                                  \
    json_t *Ombix##call##_JSonWrap(json_t *params) {                                                       \
        static constexpr const char *names[] = {OMBIX_FOR_EACH(NAME_, __VA_ARGS__) nullptr};               \
        static_assert(std::is_same_v<decltype(&Ombix##call),                                               \
                                     std::int32_t (*)(std::int32_t OMBIX_FOR_EACH(TYPE_, __VA_ARGS__))>, \
                      "the row of Ombix" #call " differs from its declaration");                          \
        return serve_scalar(&Ombix##call, names, params);                                                  \
    }
#include "scalar_calls.def"
#include "record_wrappers.inc"
#include "transfer_wrappers.inc"
#undef SCALAR

// ---- The dispatcher ---------------------------------------------------------

using Wrapper = json_t *(*)(json_t *);

struct CallEntry {
    const char *name;
    std::size_t length;
    Wrapper wrap;
};

#define CALL_ENTRY(call) {"Ombix" #call, sizeof("Ombix" #call) - 1, &Ombix##call##_JSonWrap},

constexpr CallEntry kCalls[] = {
#define SCALAR(call, ...) CALL_ENTRY(call)
#include "scalar_calls.def"
#undef SCALAR
#include "record_entries.inc"
#include "transfer_entries.inc"
};

constexpr CallIndex kIndex = build_index(kCalls);

}  // namespace

extern "C" json_t *ombixExecuteName(const char *name, json_t *params) {
    if (name == nullptr) return nullptr;
    const CallEntry *entry = find_call(kCalls, kIndex, name);
    return entry != nullptr ? entry->wrap(params) : nullptr;
}
