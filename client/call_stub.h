// The stub of any call: the frame its row's kind names, given the row's
// members. Every stub of the client is call_stub<Call> with its arguments.
#ifndef OMBIX_CLIENT_CALL_STUB_H
#define OMBIX_CLIENT_CALL_STUB_H

#include <cstdint>
#include <type_traits>

#include "call_table.h"
#include "record_frame.h"
#include "scalar_frame.h"
#include "transfer_frame.h"

namespace ombix::client {

template <typename Call, typename... A>
std::int32_t call_stub(std::int32_t handle, A... args) {
    static_assert(std::is_same_v<std::int32_t (*)(std::int32_t, A...), typename Call::Function>,
                  "the stub's arguments are not the row's");
    constexpr calls::Kind kind = Call::kRow.kind();
    const char *name = Call::kRow.name;
    const calls::Member *members = Call::kRow.members.data();
    if constexpr (kind == calls::Kind::Scalar) {
        return call_scalar(handle, name, members, args...);
    } else if constexpr (kind == calls::Kind::Record) {
        return record_stub(handle, name, members, args...);
    } else if constexpr (kind == calls::Kind::RecordList) {
        return list_stub(handle, name, members, args...);
    } else if constexpr (kind == calls::Kind::Description) {
        return description_stub(handle, name, members, args...);
    } else {
        return call_transfer(handle, name, members, args...);
    }
}

}  // namespace ombix::client

#endif
