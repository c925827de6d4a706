// The wrapper of any call: the frame its row's kind names, given the row's
// members. Every wrapper of the executor is serve<Call> for its local
// function.
#ifndef OMBIX_SERVER_CALL_FRAME_H
#define OMBIX_SERVER_CALL_FRAME_H

#include <jansson.h>

#include <cstdint>
#include <type_traits>

#include "call_table.h"
#include "record_frame.h"
#include "scalar_frame.h"
#include "transfer_frame.h"

namespace ombix::server {

template <typename Call, typename... A>
json_t *serve(std::int32_t (*api)(std::int32_t, A...), const json_t *params) {
    static_assert(std::is_same_v<decltype(api), typename Call::Function>, "the function is not the row's");
    constexpr calls::Kind kind = Call::kRow.kind();
    const calls::Member *members = Call::kRow.members.data();
    if constexpr (kind == calls::Kind::Scalar) {
        return serve_scalar(api, members, params);
    } else if constexpr (kind == calls::Kind::Record) {
        return serve_record(api, members, params);
    } else if constexpr (kind == calls::Kind::RecordList) {
        return serve_list(api, members, params);
    } else if constexpr (kind == calls::Kind::Description) {
        return serve_description(api, members, params);
    } else {
        return serve_transfer(api, members, params);
    }
}

}  // namespace ombix::server

#endif
