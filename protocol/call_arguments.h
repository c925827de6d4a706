// The vocabulary both frames use for the C arguments of a call: which are
// outputs, where the frame keeps each one around the call, and after which
// codes outputs travel at all.
#ifndef OMBIX_PROTOCOL_CALL_ARGUMENTS_H
#define OMBIX_PROTOCOL_CALL_ARGUMENTS_H

#include <cstdint>
#include <type_traits>

#include "ombix_types.h"

namespace ombix {

// A non-const pointer argument is an output; everything else is an input.
template <typename A>
inline constexpr bool is_output = std::is_pointer_v<A> && !std::is_const_v<std::remove_pointer_t<A>>;

// The frame's own storage for one argument: the value of an input, the
// variable an output pointer points to.
template <typename A>
using slot_t = std::conditional_t<is_output<A>, std::remove_pointer_t<A>, A>;

// What the function receives for one argument kept in `slot`.
template <typename A>
A argument(slot_t<A> &slot) {
    if constexpr (is_output<A>) {
        return &slot;
    } else {
        return slot;
    }
}

// Outputs travel, and are read, only after these two codes.
inline bool outputs_travel(std::int32_t code) {
    return code == OMBIX_RC_OK || code == OMBIX_RC_OUTPUTS_VALID;
}

}  // namespace ombix

#endif
