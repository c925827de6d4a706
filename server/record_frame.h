// The wrapper frame of the calls whose output is structured: one record, a
// list of records bounded at 512, or the 128-byte performance state
// description. Parameters are read by the scalar frame's helpers.
#ifndef OMBIX_SERVER_RECORD_FRAME_H
#define OMBIX_SERVER_RECORD_FRAME_H

#include <jansson.h>

#include <cstdint>

#include "allocation.h"
#include "base64.h"
#include "call_arguments.h"
#include "call_description.h"
#include "local_handle.h"
#include "ombix_types.h"
#include "records.h"
#include "scalar_frame.h"
#include "wire.h"

namespace ombix::server {

inline json_t *empty_answer(std::int32_t code) {
    return result_object(code, json_array());
}

// The answer of a call whose memory could not be obtained: like a call that
// asks too much, it is refused before the local function runs.
inline json_t *no_memory_answer() {
    return empty_answer(OMBIX_RC_OVER_LIMIT);
}

// {"ret": code, "outs": [{"i": key, "v": value}]}, the output only after 0 or
// 16; `encode` builds the value only then, and returns null when memory ran
// out, which leaves no answer at all rather than one without its output.
template <typename Encode>
json_t *structured_answer(std::int32_t code, const char *key, Encode encode) {
    ValueList outs;
    if (outputs_travel(code)) outs.add(key, encode());
    return result_object(code, outs.take());
}

// A record call without parameters; `members` is the record.
template <typename R>
json_t *serve_record(std::int32_t (*api)(std::int32_t, R *), const calls::Member *members, const json_t *params) {
    if (!length_matches(params, 0)) return length_error(params, 0);
    // Cleared, so a field the local function leaves unset travels as zero
    // rather than as whatever the stack held.
    R record{};
    std::int32_t code = api(kLocalHandle, &record);
    return structured_answer(code, members[0].name, [&] { return encode_record(record); });
}

// A record call with one integer parameter; `members` are the number and the
// record.
template <typename P, typename R>
json_t *serve_record(std::int32_t (*api)(std::int32_t, P, R *), const calls::Member *members, const json_t *params) {
    if (!length_matches(params, 1)) return length_error(params, 1);
    P number{};
    if (!read_parameter<P>(params, 0, members[0].name, number)) return empty_answer(OMBIX_RC_VALUE_MISMATCH);
    R record{};
    std::int32_t code = api(kLocalHandle, number, &record);
    return structured_answer(code, members[1].name, [&] { return encode_record(record); });
}

// `members` are the state and the description.
inline json_t *serve_description(std::int32_t (*api)(std::int32_t, std::uint32_t, std::uint8_t *),
                                 const calls::Member *members, const json_t *params) {
    if (!length_matches(params, 1)) return length_error(params, 1);
    std::uint32_t state = 0;
    if (!read_parameter<std::uint32_t>(params, 0, members[0].name, state)) {
        return empty_answer(OMBIX_RC_VALUE_MISMATCH);
    }
    // Cleared, so bytes behind a short description never carry old heap
    // content onto the wire. Without a buffer the local function cannot be
    // called at all: the call is refused like one asking too much.
    auto *buffer = static_cast<std::uint8_t *>(obtain_zeroed(1, OMBIX_DESCRIPTION_SIZE));
    if (buffer == nullptr) return no_memory_answer();
    std::int32_t code = api(kLocalHandle, state, buffer);
    json_t *answer =
        structured_answer(code, members[1].name, [&] { return encodeBase64(buffer, OMBIX_DESCRIPTION_SIZE); });
    release_bytes(buffer);
    return answer;
}

// The common part of the list calls: the bound, the zero-filled array, the
// local call (`call(array, count)`) and the record list of all `count`
// entries. `matched` says whether every parameter matched.
template <typename R, typename Call>
json_t *serve_list_of(bool matched, std::int32_t count, const char *key, Call call) {
    // Taken as unsigned, so a negative count is above the bound too; the
    // bound comes before any parameter mismatch.
    std::uint32_t n = static_cast<std::uint32_t>(count);
    if (n > OMBIX_MAX_LIST_COUNT) return empty_answer(OMBIX_RC_OVER_LIMIT);
    if (!matched) return empty_answer(OMBIX_RC_VALUE_MISMATCH);
    // The local function always gets real storage, even for a count of 0.
    R *array = static_cast<R *>(obtain_zeroed(n, sizeof(R)));
    if (array == nullptr) return no_memory_answer();
    std::int32_t code = call(array, count);
    json_t *answer = structured_answer(code, key, [&]() -> json_t * {
        json_t *list = json_array();
        for (std::uint32_t i = 0; i < n; ++i) {
            // A record lost from the middle would shift every record behind it.
            if (json_array_append_new(list, encode_record(array[i])) != 0) {
                json_decref(list);
                return nullptr;
            }
        }
        return list;
    });
    release_bytes(array);
    return answer;
}

// A list call; `members` are the records and their count.
template <typename R>
json_t *serve_list(std::int32_t (*api)(std::int32_t, R *, std::int32_t), const calls::Member *members,
                   const json_t *params) {
    if (!length_matches(params, 1)) return length_error(params, 1);
    std::int32_t count = 0;
    bool matched = read_parameter<std::int32_t>(params, 0, members[1].name, count);
    return serve_list_of<R>(matched, count, members[0].name,
                            [&](R *array, std::int32_t n) { return api(kLocalHandle, array, n); });
}

// A list call with an integer parameter before the count; `members` are the
// number, the records and their count.
template <typename P, typename R>
json_t *serve_list(std::int32_t (*api)(std::int32_t, P, R *, std::int32_t), const calls::Member *members,
                   const json_t *params) {
    if (!length_matches(params, 2)) return length_error(params, 2);
    P number{};
    std::int32_t count = 0;
    bool matched = read_parameter<P>(params, 0, members[0].name, number);
    matched = read_parameter<std::int32_t>(params, 1, members[2].name, count) && matched;
    return serve_list_of<R>(matched, count, members[1].name,
                            [&](R *array, std::int32_t n) { return api(kLocalHandle, number, array, n); });
}

}  // namespace ombix::server

#endif
