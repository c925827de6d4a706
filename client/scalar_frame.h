// The stub frame shared by every call whose members are single integers or
// texts: pack the inputs, call the transport once, check and store outputs.
#ifndef OMBIX_CLIENT_SCALAR_FRAME_H
#define OMBIX_CLIENT_SCALAR_FRAME_H

#include <jansson.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "call_arguments.h"
#include "call_description.h"
#include "integers.h"
#include "ombix_transport.h"
#include "ombix_types.h"
#include "wire.h"

namespace ombix::client {

// What a stub returns when its request cannot be built for want of memory:
// nothing is sent, nothing of the caller's is touched, and the code is the
// one the executor gives a call it has no memory for.
inline constexpr std::int32_t kRequestNotBuilt = OMBIX_RC_OVER_LIMIT;

template <typename A>
void append_input(ValueList &list, const char *name, A value) {
    if constexpr (std::is_same_v<A, const char *>) {
        // A null text cannot become a JSON string: its named value is left
        // out on purpose and the server answers for the wrong length.
        if (value != nullptr) list.add(name, json_string(value));
    } else if constexpr (!is_output<A>) {
        list.add(name, integer_value(value));
    }
}

// Checks output k and stores it; a mismatch stores 0. A null output pointer
// is skipped, so it can neither be written nor fail the call.
template <typename A>
bool store_output(const json_t *outs, std::size_t k, const char *name, A target) {
    if constexpr (is_output<A>) {
        if (target == nullptr) return true;
        using T = std::remove_pointer_t<A>;
        json_t *value = named_at(outs, k, name, JSON_INTEGER);
        *target = value != nullptr ? low_bits<T>(value) : T{};
        return value != nullptr;
    } else {
        return true;
    }
}

// The transport call and the code rules common to every stub. Returns the
// output list when the code is 0 or 16 and the list has `outputs` elements;
// otherwise null, with `code` holding what the stub returns.
inline json_t *transport_call(std::int32_t handle, const char *call, json_t *params, std::size_t outputs,
                              std::int32_t &code) {
    // Preset, so a transport that forgets to store a code yields a mismatch
    // rather than stack garbage.
    code = OMBIX_RC_VALUE_MISMATCH;
    json_t *outs = OmbixExecuteRemoteCall(handle, call, &code, params);
    if (!outputs_travel(code)) return nullptr;  // not ours to read or release
    if (element_count(outs) != outputs) {
        json_decref(outs);
        code = OMBIX_RC_VALUE_MISMATCH;
        return nullptr;
    }
    return outs;
}

// The parameter list of the inputs among `args`, named by `members`; null
// when there are none, or when it could not be built whole (then `built` is
// false and nothing may be sent).
template <typename... A, std::size_t... I>
json_t *input_list(const calls::Member *members, bool &built, std::index_sequence<I...>, A... args) {
    constexpr std::size_t inputs = (std::size_t{0} + ... + (is_output<A> ? 0 : 1));
    built = true;
    if constexpr (inputs > 0) {
        ValueList list;
        (append_input(list, members[I].name, args), ...);
        json_t *params = list.take();
        built = params != nullptr;
        return params;
    } else {
        return nullptr;
    }
}

// `members` are the call's members, one per argument after the handle; its
// inputs come before its outputs, so output I sits at position I - inputs.
template <typename... A, std::size_t... I>
std::int32_t call_scalar_in_order(std::int32_t handle, const char *call, const calls::Member *members,
                                  std::index_sequence<I...> order, A... args) {
    constexpr std::size_t inputs = (std::size_t{0} + ... + (is_output<A> ? 0 : 1));
    constexpr std::size_t outputs = sizeof...(A) - inputs;

    bool built = true;
    json_t *params = input_list(members, built, order, args...);
    if (!built) return kRequestNotBuilt;

    std::int32_t code;
    json_t *outs = transport_call(handle, call, params, outputs, code);
    if (outs == nullptr && (!outputs_travel(code) || outputs > 0)) return code;

    // Every output is checked and stored, even after one failed.
    bool matched = true;
    ((matched = store_output(outs, I - inputs, members[I].name, args) && matched), ...);
    json_decref(outs);
    return matched ? code : OMBIX_RC_VALUE_MISMATCH;
}

template <typename... A>
std::int32_t call_scalar(std::int32_t handle, const char *call, const calls::Member *members, A... args) {
    return call_scalar_in_order(handle, call, members, std::index_sequence_for<A...>{}, args...);
}

}  // namespace ombix::client

#endif
