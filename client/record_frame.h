// The stub frame of the calls whose output is structured: one record, a
// record list, or the 128-byte performance state description. The transport
// call and the code rules are the scalar frame's.
#ifndef OMBIX_CLIENT_RECORD_FRAME_H
#define OMBIX_CLIENT_RECORD_FRAME_H

#include <jansson.h>

#include <cstdint>

#include "base64.h"
#include "integers.h"
#include "ombix_types.h"
#include "records.h"
#include "scalar_frame.h"
#include "wire.h"

namespace ombix::client {

template <typename R>
using Unpacker = void (*)(const json_t *value, R *record, bool *failed);

// Decodes a record value into `record`; a null value writes nothing. Sets
// `failed` for a rejected element, never clears it.
template <typename R>
void unpack_record(const json_t *value, R *record, bool *failed) {
    if (value == nullptr) return;
    if (!decode_record(value, record)) *failed = true;
}

// [{"i": name, "v": value}] for the calls that take one integer; null when
// it cannot be built.
template <typename P>
json_t *one_parameter(const char *name, P value) {
    ValueList params;
    params.add(name, integer_value(value));
    return params.take();
}

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

}  // namespace ombix::client

#endif
