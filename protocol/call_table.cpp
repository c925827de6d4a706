// The run-time list of the calls: the description of every row of calls.def,
// in the order of the rows, and lookup by wire name.
#include <cstring>
#include <iterator>

#include "call_table.h"

namespace ombix::calls {
namespace {

constexpr const CallDescription *kCalls[] = {
#define OMBIX_CALL_ROW(call, ...) &call::kDescription,
#include "calls.def"
#undef OMBIX_CALL_ROW
};

}  // namespace

CallList all() {
    return CallList{kCalls, std::size(kCalls)};
}

const CallDescription *find(const char *name) {
    if (name == nullptr) return nullptr;
    for (const CallDescription *call : kCalls) {
        if (std::strcmp(call->name, name) == 0) return call;
    }
    return nullptr;
}

}  // namespace ombix::calls
