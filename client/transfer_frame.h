// The stub frame of the bus and storage transfers: integers and counts out,
// bytes to write as base64 text, the transport call, then the received text
// decoded into the caller's buffer and the counts stored as the server sent
// them. The call's members (calls.def) say what each argument is and how wide
// its integers are.
//
// A read of no bytes succeeds: the server sends JSON null for the bytes of a
// read whose count is 0, and the stub takes that null as "nothing read" when
// the count it receives (or, for the reads without a count output, the count
// it asked for) is 0. Every other null byte text is a mismatch.
#ifndef OMBIX_CLIENT_TRANSFER_FRAME_H
#define OMBIX_CLIENT_TRANSFER_FRAME_H

#include <jansson.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "base64.h"
#include "call_description.h"
#include "integers.h"
#include "ombix_types.h"
#include "scalar_frame.h"
#include "wire.h"

namespace ombix::client {

// One argument of the stub, as the frame uses it.
struct StubSlot {
    json_int_t wire = 0;         // an integer or count as it travels, extended by its type
    std::int32_t count = 0;      // a count taken as signed 32 bits: what base64 encodes
    std::uint32_t capacity = 0;  // a count as the size of the caller's buffer, on entry
    const std::uint8_t *bytes_in = nullptr;
    std::uint8_t *bytes_out = nullptr;
    void *count_target = nullptr;  // the caller's count variable (ByteCountInOut)
};

template <typename T>
void load_count(StubSlot &slot, T value) {
    slot.wire = static_cast<json_int_t>(value);
    slot.count = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    // A negative count sizes no buffer: nothing may be decoded into it.
    slot.capacity = std::is_signed_v<T> && value < 0 ? 0 : static_cast<std::uint32_t>(value);
}

template <typename A>
void load(StubSlot &slot, calls::Role role, A argument) {
    if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        slot.bytes_in = argument;
    } else if constexpr (std::is_pointer_v<A>) {
        if (role == calls::Role::ByteCountInOut) {
            slot.count_target = argument;
            load_count(slot, *argument);
        } else {
            slot.bytes_out = reinterpret_cast<std::uint8_t *>(argument);
        }
    } else {
        load_count(slot, argument);
    }
}

inline void store_count(const StubSlot &slot, const calls::Member &member, const json_t *value) {
    if (member.bits == 8) {
        *static_cast<std::uint8_t *>(slot.count_target) = value != nullptr ? low_bits<std::uint8_t>(value) : 0;
    } else {
        *static_cast<std::uint32_t *>(slot.count_target) = value != nullptr ? low_bits<std::uint32_t>(value) : 0;
    }
}

// The parameter list, or null when it could not be built whole (no memory
// for a value or for the text of the bytes to write): then nothing is sent,
// rather than a request with an element or its data missing.
inline json_t *transfer_parameters(const calls::Member *members, const StubSlot *slots, std::size_t count) {
    ValueList params;
    for (std::size_t i = 0; i < count; ++i) {
        const calls::Member &member = members[i];
        const StubSlot &slot = slots[i];
        if (calls::is_integer_parameter(member.role)) {
            params.add(member.name, json_integer(slot.wire));
        } else if (member.role == calls::Role::WriteBytes) {
            params.add(member.name, encodeBase64(slot.bytes_in, slots[member.counter].count));
        } else if (member.role == calls::Role::ReadSwitch) {
            params.add(member.name, slot.bytes_out != nullptr ? json_string("") : json_null());
        }
    }
    return params.take();
}

// The count a received count output holds at its own width, or -1 when the
// output does not match.
inline std::int64_t received_count(const json_t *outs, std::size_t k, const calls::Member &member) {
    json_t *value = named_at(outs, k, member.name, JSON_INTEGER);
    if (value == nullptr) return -1;
    return member.bits == 8 ? low_bits<std::uint8_t>(value) : low_bits<std::uint32_t>(value);
}

inline std::int32_t call_transfer_stub(std::int32_t handle, const char *call, const calls::Member *members,
                                       const StubSlot *slots, std::size_t count) {
    std::size_t outputs = 0;
    for (std::size_t i = 0; i < count; ++i) outputs += calls::is_output(members[i].role) ? 1 : 0;
    json_t *params = transfer_parameters(members, slots, count);
    if (params == nullptr) return kRequestNotBuilt;

    std::int32_t code;
    json_t *outs = transport_call(handle, call, params, outputs, code);
    if (outs == nullptr) return code;

    // The position of each output in the list; outputs follow member order.
    std::size_t position[calls::kMostMembers] = {};
    for (std::size_t i = 0, k = 0; i < count; ++i) {
        if (calls::is_output(members[i].role)) position[i] = k++;
    }

    // Every output is checked, even after one failed. Bytes are decoded before
    // counts are stored, into the capacity the caller gave on entry.
    bool matched = true;
    for (std::size_t i = 0; i < count; ++i) {
        const calls::Member &member = members[i];
        const StubSlot &slot = slots[i];
        if (member.role == calls::Role::ReadBytes || member.role == calls::Role::ReadSwitch) {
            if (slot.bytes_out == nullptr) continue;
            const std::size_t counted_by = member.counter;
            const bool nothing_read = members[counted_by].role == calls::Role::ByteCountInOut
                                          ? received_count(outs, position[counted_by], members[counted_by]) == 0
                                          : slots[counted_by].wire == 0;
            json_t *text = named_at(outs, position[i], member.name);
            bool accepted = json_is_null(text) && nothing_read;  // the buffer stays as it was
            if (!accepted && json_is_string(text)) {
                accepted = decodeBase64(json_string_value(text), slot.bytes_out, slots[counted_by].capacity);
            }
            matched = accepted && matched;
        } else if (member.role == calls::Role::ByteCountInOut) {
            json_t *value = named_at(outs, position[i], member.name, JSON_INTEGER);
            store_count(slot, member, value);
            matched = value != nullptr && matched;
        }
    }
    json_decref(outs);
    return matched ? code : OMBIX_RC_VALUE_MISMATCH;
}

// `members` are the call's members, one per argument after the handle.
template <typename... A, std::size_t... I>
std::int32_t call_transfer_in_order(std::int32_t handle, const char *call, const calls::Member *members,
                                    std::index_sequence<I...>, A... args) {
    StubSlot slots[sizeof...(A)] = {};
    (load<A>(slots[I], members[I].role, args), ...);
    return call_transfer_stub(handle, call, members, slots, sizeof...(A));
}

template <typename... A>
std::int32_t call_transfer(std::int32_t handle, const char *call, const calls::Member *members, A... args) {
    return call_transfer_in_order(handle, call, members, std::index_sequence_for<A...>{}, args...);
}

}  // namespace ombix::client

#endif
