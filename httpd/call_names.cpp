#include "call_names.h"

#include <cstring>

namespace ombixd {

const char *const kCallNames[] = {
#define OMBIX_CALL(name, arguments) "Ombix" #name,
#include "ombix_calls.h"
#undef OMBIX_CALL
};
const std::size_t kCallCount = sizeof kCallNames / sizeof kCallNames[0];

bool is_call_name(const char *name) {
    for (std::size_t k = 0; k < kCallCount; ++k)
        if (std::strcmp(kCallNames[k], name) == 0) return true;
    return false;
}

}  // namespace ombixd
