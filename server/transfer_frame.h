// The wrapper frame of the bus and storage transfers: length check, integer
// parameters, byte-count bounds, buffers and their base64 text, local call,
// outputs. The call's members (calls.def) say what each argument of the local
// function is and how wide its integers are; the frame learns its C type from
// the function.
//
// Order of outcomes: a wrong element count gives the error object; a negative
// storage count gives 1; a count above 262144 gives 12, even when other
// parameters mismatch; a buffer that cannot be obtained gives 12 as well; any
// mismatch gives 65543; otherwise the API's code. The API never receives a
// null buffer in place of one the call needs.
#ifndef OMBIX_SERVER_TRANSFER_FRAME_H
#define OMBIX_SERVER_TRANSFER_FRAME_H

#include <jansson.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "allocation.h"
#include "base64.h"
#include "call_arguments.h"
#include "call_description.h"
#include "integers.h"
#include "local_handle.h"
#include "ombix_types.h"
#include "scalar_frame.h"
#include "wire.h"

namespace ombix::server {

// The wrapper's own storage for one argument of the local function.
struct TransferSlot {
    std::uint32_t value = 0;   // an integer parameter's low 32 bits; a count as the API left it
    std::uint8_t value8 = 0;   // an 8-bit count handed to the API by pointer
    std::size_t position = 0;  // position in the parameter list
    std::uint8_t *buffer = nullptr;
    std::uint32_t size = 0;  // bytes the buffer holds for the call
};

struct TransferCall {
    const calls::Member *members;
    std::size_t count;
    TransferSlot slots[calls::kMostMembers] = {};
    bool matched = true;
    bool buffers_obtained = true;

    TransferCall(const calls::Member *m, std::size_t n) : members(m), count(n) {}
    TransferCall(const TransferCall &) = delete;
    TransferCall &operator=(const TransferCall &) = delete;
    // Buffers are released on every path.
    ~TransferCall() {
        for (TransferSlot &slot : slots) release_bytes(slot.buffer);
    }

    std::uint32_t length_of(std::size_t i) const { return slots[members[i].counter].value; }
};

// Buffers are cleared, so bytes the API or the text leave unset never carry
// stale heap content to a device or onto the wire. A buffer of 0 bytes is
// still a block of its own. False when the memory cannot be obtained.
inline bool obtain_buffer(TransferCall &call, TransferSlot &slot, std::uint32_t size) {
    slot.buffer = static_cast<std::uint8_t *>(obtain_zeroed(size, 1));
    slot.size = slot.buffer != nullptr ? size : 0;
    call.buffers_obtained = slot.buffer != nullptr && call.buffers_obtained;
    return slot.buffer != nullptr;
}

// The "v" of element k when it is an object with a "v"; null otherwise.
inline json_t *value_member(const json_t *params, std::size_t k) {
    json_t *element = json_array_get(params, k);
    return json_is_object(element) ? json_object_get(element, "v") : nullptr;
}

inline void read_integers(TransferCall &call, const json_t *params) {
    std::size_t position = 0;
    for (std::size_t i = 0; i < call.count; ++i) {
        const calls::Member &member = call.members[i];
        if (!calls::is_parameter(member.role)) continue;
        TransferSlot &slot = call.slots[i];
        slot.position = position++;
        if (!calls::is_integer_parameter(member.role)) continue;
        // A mismatching count counts as 0, so it cannot trip a bound.
        json_t *value = named_at(params, slot.position, member.name, JSON_INTEGER);
        slot.value = value != nullptr ? low_bits<std::uint32_t>(value) : 0;
        call.matched = value != nullptr && call.matched;
        if (member.bits == 8 && member.role != calls::Role::Input) slot.value &= 0xFF;  // SMBus block counts
    }
}

// The code that refuses a byte count before any buffer is held, or 0.
inline std::int32_t bound_failure(const TransferCall &call) {
    for (std::size_t i = 0; i < call.count; ++i) {
        if (call.members[i].role == calls::Role::ByteCount && call.members[i].is_signed &&
            static_cast<std::int32_t>(call.slots[i].value) < 0) {
            return OMBIX_RC_NEGATIVE_LENGTH;
        }
    }
    for (std::size_t i = 0; i < call.count; ++i) {
        bool counts = calls::is_byte_count(call.members[i].role);
        if (counts && call.members[i].bits == 32 && call.slots[i].value > OMBIX_MAX_TRANSFER_BYTES) {
            return OMBIX_RC_OVER_LIMIT;
        }
    }
    return 0;
}

// Bytes to write: null "v" (whatever the name) passes a null pointer with the
// stated count; a text with the member's name is decoded into a buffer of
// exactly that count. Without a buffer the call cannot run at all.
inline void obtain_write_bytes(TransferCall &call, std::size_t i, const json_t *params) {
    TransferSlot &slot = call.slots[i];
    if (json_is_null(value_member(params, slot.position))) return;
    std::uint32_t size = call.length_of(i);
    if (!obtain_buffer(call, slot, size)) return;
    json_t *text = named_at(params, slot.position, call.members[i].name, JSON_STRING);
    if (text == nullptr || !decodeBase64(json_string_value(text), slot.buffer, size)) call.matched = false;
}

inline void obtain_buffers(TransferCall &call, const json_t *params) {
    for (std::size_t i = 0; i < call.count; ++i) {
        if (call.members[i].role == calls::Role::WriteBytes) obtain_write_bytes(call, i, params);
    }
    for (std::size_t i = 0; i < call.count; ++i) {
        calls::Role role = call.members[i].role;
        TransferSlot &slot = call.slots[i];
        // A read switch asks for no buffer only with a null "v"; anything
        // else at its position asks for one.
        bool wanted = role == calls::Role::ReadBytes ||
                      (role == calls::Role::ReadSwitch && !json_is_null(value_member(params, slot.position)));
        if (wanted) obtain_buffer(call, slot, call.length_of(i));
        if (role == calls::Role::ByteCountInOut) slot.value8 = static_cast<std::uint8_t>(slot.value);
    }
}

// Everything before the local call. False when the call must not run; then
// `answer` holds the answer (null if it could not be built).
inline bool prepare_transfer(TransferCall &call, const json_t *params, json_t *&answer) {
    std::size_t parameters = 0;
    for (std::size_t i = 0; i < call.count; ++i) parameters += calls::is_parameter(call.members[i].role) ? 1 : 0;
    if (!length_matches(params, parameters)) {
        answer = length_error(params, parameters);
        return false;
    }

    read_integers(call, params);
    if (std::int32_t refused = bound_failure(call)) {
        answer = result_object(refused, json_array());
        return false;
    }
    obtain_buffers(call, params);
    if (!call.buffers_obtained) {
        answer = result_object(OMBIX_RC_OVER_LIMIT, json_array());
        return false;
    }
    return true;
}

// The base64 text of the bytes the API reports, JSON null for none, or no
// value at all when memory ran out. Never reads past the buffer, even if the
// API reports more than it was given.
inline json_t *read_bytes_text(const TransferSlot &slot, std::uint32_t reported) {
    if (slot.buffer == nullptr || static_cast<std::int32_t>(reported) <= 0) return json_null();
    return encodeBase64(slot.buffer, static_cast<std::int32_t>(std::min(reported, slot.size)));
}

inline json_t *finish_transfer(TransferCall &call, std::int32_t code) {
    ValueList outs;
    if (!outputs_travel(code)) return result_object(code, outs.take());
    for (std::size_t i = 0; i < call.count; ++i) {
        if (call.members[i].role == calls::Role::ByteCountInOut && call.members[i].bits == 8) {
            call.slots[i].value = call.slots[i].value8;
        }
    }
    for (std::size_t i = 0; i < call.count; ++i) {
        const calls::Member &member = call.members[i];
        if (member.role == calls::Role::ReadBytes || member.role == calls::Role::ReadSwitch) {
            outs.add(member.name, read_bytes_text(call.slots[i], call.length_of(i)));
        } else if (member.role == calls::Role::ByteCountInOut) {
            json_t *count = member.bits == 8 ? integer_value(static_cast<std::uint8_t>(call.slots[i].value))
                                             : integer_value(call.slots[i].value);
            outs.add(member.name, count);
        }
    }
    // Null when an output could not be built: the call ran, but its answer
    // cannot go out whole.
    return result_object(code, outs.take());
}

// The argument the local function receives for one member.
template <typename A>
A pass(TransferSlot &slot, calls::Role role) {
    if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        return slot.buffer;
    } else if constexpr (std::is_same_v<A, std::uint8_t *>) {
        return role == calls::Role::ByteCountInOut ? &slot.value8 : slot.buffer;
    } else if constexpr (std::is_same_v<A, std::uint32_t *>) {
        return &slot.value;
    } else {
        static_assert(std::is_integral_v<A>, "transfer arguments are integers, counts or byte buffers");
        return static_cast<A>(slot.value);
    }
}

// `members` are the call's members, one per argument of `api` after the handle.
template <typename... A, std::size_t... I>
json_t *serve_transfer_in_order(std::int32_t (*api)(std::int32_t, A...), const calls::Member *members,
                                const json_t *params, std::index_sequence<I...>) {
    TransferCall call(members, sizeof...(A));
    json_t *answer = nullptr;
    if (!prepare_transfer(call, params, answer)) return answer;
    std::int32_t code =
        call.matched ? api(kLocalHandle, pass<A>(call.slots[I], members[I].role)...) : OMBIX_RC_VALUE_MISMATCH;
    return finish_transfer(call, code);
}

template <typename... A>
json_t *serve_transfer(std::int32_t (*api)(std::int32_t, A...), const calls::Member *members, const json_t *params) {
    return serve_transfer_in_order(api, members, params, std::index_sequence_for<A...>{});
}

}  // namespace ombix::server

#endif
