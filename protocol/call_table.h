// The calls at compile time: each row of calls.def becomes a type
// ombix::calls::<call> (ombix::calls::GetFanSpeed) holding
//   kRow          the row: its members, and in its type the C declaration;
//   kDescription  the row as run-time data (call_description.h), with the
//                 least role that may run the call;
//   Function      the local function's type, int32_t (*)(int32_t handle, ...).
// The executor's wrappers and the client stubs are templates over these
// types. Each row is checked here against the declaration of its local
// function in api/ombix_calls.h, and against what the frames rely on.
#ifndef OMBIX_PROTOCOL_CALL_TABLE_H
#define OMBIX_PROTOCOL_CALL_TABLE_H

#include <cstdint>
#include <type_traits>

#include "call_description.h"
#include "call_rows.h"
#include "ombix_api.h"

namespace ombix::calls {

using std::int32_t;
using std::int8_t;
using std::uint16_t;
using std::uint32_t;
using std::uint8_t;

template <typename R>
using FunctionOf = typename std::remove_const_t<R>::Function;

#define OMBIX_CALL_ROW(call, privilege, ...)                                                                      \
    struct call {                                                                                                 \
        static constexpr auto kRow = make_row("Ombix" #call, __VA_ARGS__);                                        \
        static constexpr CallDescription kDescription = with_privilege(kRow.description(), Privilege::privilege); \
        using Function = FunctionOf<decltype(kRow)>;                                                              \
    };                                                                                                            \
    static_assert(std::is_same_v<decltype(&Ombix##call), call::Function>,                                         \
                  "the row of Ombix" #call " differs from its declaration in ombix_calls.h");                     \
    static_assert(is_sound(call::kRow), "a buffer or record list of Ombix" #call                                  \
                                        " has no count, "                                                         \
                                        "or its outputs are not what its frame serves");
#include "calls.def"
#undef OMBIX_CALL_ROW

}  // namespace ombix::calls

#endif
