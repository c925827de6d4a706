// The wrapper frame shared by every call whose members are single integers or
// texts: length check, per-position parameter check, local call, outputs.
//
// The frame learns each member's C type from the local API function itself
// and its wire name from the call's row (calls.def), which call_table.h
// checks against that function at compile time.
#ifndef OMBIX_SERVER_SCALAR_FRAME_H
#define OMBIX_SERVER_SCALAR_FRAME_H

#include <jansson.h>

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

#include "call_arguments.h"
#include "call_description.h"
#include "integers.h"
#include "local_handle.h"
#include "ombix_types.h"
#include "wire.h"

namespace ombix::server {

// Reads parameter k into `slot`; false on a mismatch. A text stays a pointer
// into the caller's parameter list.
template <typename A>
bool read_parameter(const json_t *params, std::size_t k, const char *name, slot_t<A> &slot) {
    if constexpr (is_output<A>) {
        return true;
    } else if constexpr (std::is_same_v<A, const char *>) {
        json_t *value = named_at(params, k, name, JSON_STRING);
        slot = json_string_value(value);
        return value != nullptr;
    } else {
        json_t *value = named_at(params, k, name, JSON_INTEGER);
        slot = value != nullptr ? low_bits<A>(value) : A{};
        return value != nullptr;
    }
}

template <typename A>
void append_output(ValueList &outs, const char *name, const slot_t<A> &slot) {
    if constexpr (is_output<A>) outs.add(name, integer_value(slot));
}

// `members` are the call's members, one per argument of `api` after the
// handle; its parameters come before its outputs, so parameter I sits at
// position I of the list.
template <typename... A, std::size_t... I>
json_t *serve_scalar_in_order(std::int32_t (*api)(std::int32_t, A...), const calls::Member *members,
                              const json_t *params, std::index_sequence<I...>) {
    constexpr std::size_t inputs = (std::size_t{0} + ... + (is_output<A> ? 0 : 1));
    if (!length_matches(params, inputs)) return length_error(params, inputs);

    // Output variables start at zero, so an output the API leaves unset
    // travels as 0 rather than as stack garbage.
    std::tuple<slot_t<A>...> slots{};
    bool matched = true;
    // Every position is checked, even after an earlier one failed.
    ((matched = read_parameter<A>(params, I, members[I].name, std::get<I>(slots)) && matched), ...);

    std::int32_t code = matched ? api(kLocalHandle, argument<A>(std::get<I>(slots))...) : OMBIX_RC_VALUE_MISMATCH;
    ValueList outs;
    if (outputs_travel(code)) (append_output<A>(outs, members[I].name, std::get<I>(slots)), ...);
    // Null when an output could not be built: the call ran, but its answer
    // cannot go out whole.
    return result_object(code, outs.take());
}

template <typename... A>
json_t *serve_scalar(std::int32_t (*api)(std::int32_t, A...), const calls::Member *members, const json_t *params) {
    return serve_scalar_in_order(api, members, params, std::index_sequence_for<A...>{});
}

}  // namespace ombix::server

#endif
