// The stub frame of the calls whose output is structured: one record, a
// record list, or the 128-byte performance state description. The transport
// call and the code rules are the scalar frame's.
#ifndef OMBIX_CLIENT_RECORD_FRAME_H
#define OMBIX_CLIENT_RECORD_FRAME_H

#include <jansson.h>

#include <cstdint>

#include "base64.h"
#include "call_description.h"
#include "integers.h"
#include "ombix_types.h"
#include "record_unpackers.h"
#include "records.h"
#include "scalar_frame.h"
#include "wire.h"

namespace ombix::client {

// A record call: the one output must be the named value `key` holding an
// array. A null record pointer is not written, and so cannot fail the call.
template <typename R>
std::int32_t call_record(std::int32_t handle, const char *call, json_t *params, const char *key, R *record,
                         Unpacker<R> unpack) {
    std::int32_t code;
    json_t *outs = transport_call(handle, call, params, 1, code);
    if (outs == nullptr) return code;
    bool failed = false;
    if (record != nullptr) {
        const json_t *value = named_at(outs, 0, key, JSON_ARRAY);
        if (value == nullptr) failed = true;
        unpack(value, record, &failed);
    }
    json_decref(outs);
    return failed ? OMBIX_RC_VALUE_MISMATCH : code;
}

// A list call: entries 0 to count-1 are decoded by position; an entry missing
// at the end of the answer leaves its record as it was.
template <typename R>
std::int32_t call_list(std::int32_t handle, const char *call, json_t *params, const char *key, R *records,
                       std::int32_t count, Unpacker<R> unpack) {
    std::int32_t code;
    json_t *outs = transport_call(handle, call, params, 1, code);
    if (outs == nullptr) return code;
    bool failed = false;
    if (records != nullptr) {
        const json_t *list = named_at(outs, 0, key, JSON_ARRAY);
        if (list == nullptr) failed = true;
        for (std::int32_t i = 0; list != nullptr && i < count; ++i) {
            unpack(json_array_get(list, static_cast<std::size_t>(i)), &records[i], &failed);
        }
    }
    json_decref(outs);
    return failed ? OMBIX_RC_VALUE_MISMATCH : code;
}

// The description: a base64 text decoded into the caller's 128 bytes.
inline std::int32_t call_description(std::int32_t handle, const char *call, json_t *params, const char *key,
                                     std::uint8_t *buffer) {
    std::int32_t code;
    json_t *outs = transport_call(handle, call, params, 1, code);
    if (outs == nullptr) return code;
    bool failed = false;
    if (buffer != nullptr) {
        const json_t *text = named_at(outs, 0, key, JSON_STRING);
        failed = text == nullptr || !decodeBase64(json_string_value(text), buffer, OMBIX_DESCRIPTION_SIZE);
    }
    json_decref(outs);
    return failed ? OMBIX_RC_VALUE_MISMATCH : code;
}

// ---- The stubs' entries: the shapes of the local functions --------------
// Each takes the call's members and the stub's arguments after the handle;
// the inputs are packed by name as the scalar frame packs them.

template <typename... A>
json_t *inputs_of(const calls::Member *members, bool &built, A... args) {
    return input_list(members, built, std::index_sequence_for<A...>{}, args...);
}

// `members`: the record.
template <typename R>
std::int32_t record_stub(std::int32_t handle, const char *call, const calls::Member *members, R *record) {
    return call_record(handle, call, nullptr, members[0].name, record, unpacker_of<R>());
}

// `members`: the number, the record.
template <typename P, typename R>
std::int32_t record_stub(std::int32_t handle, const char *call, const calls::Member *members, P number, R *record) {
    bool built = true;
    json_t *params = inputs_of(members, built, number);
    if (!built) return kRequestNotBuilt;
    return call_record(handle, call, params, members[1].name, record, unpacker_of<R>());
}

// `members`: the records, their count.
template <typename R>
std::int32_t list_stub(std::int32_t handle, const char *call, const calls::Member *members, R *records,
                       std::int32_t count) {
    bool built = true;
    json_t *params = inputs_of(members, built, records, count);
    if (!built) return kRequestNotBuilt;
    return call_list(handle, call, params, members[0].name, records, count, unpacker_of<R>());
}

// `members`: the number, the records, their count.
template <typename P, typename R>
std::int32_t list_stub(std::int32_t handle, const char *call, const calls::Member *members, P number, R *records,
                       std::int32_t count) {
    bool built = true;
    json_t *params = inputs_of(members, built, number, records, count);
    if (!built) return kRequestNotBuilt;
    return call_list(handle, call, params, members[1].name, records, count, unpacker_of<R>());
}

// `members`: the state, the description.
inline std::int32_t description_stub(std::int32_t handle, const char *call, const calls::Member *members,
                                     std::uint32_t state, std::uint8_t *buffer) {
    bool built = true;
    json_t *params = inputs_of(members, built, state, buffer);
    if (!built) return kRequestNotBuilt;
    return call_description(handle, call, params, members[1].name, buffer);
}

}  // namespace ombix::client

#endif
