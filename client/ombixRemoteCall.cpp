// The remote API client: one exported stub per call, generated from the call
// tables (*.def) over the shared stub frames.
#include "ombixRemoteCall.h"

#include <cstdint>

#include "call_table.h"
#include "record_frame.h"
#include "scalar_frame.h"
#include "transfer_frame.h"

using namespace ombix;
using namespace ombix::client;

#define NAME_IN(type, name) #name,
#define NAME_OUT(type, name) #name,
#define DECL_IN(type, name) , type name
#define DECL_OUT(type, name) , type *name
#define ARG_IN(type, name) , name
#define ARG_OUT(type, name) , name

// A scalar row becomes OmbixR_<call>. Its parameter list must match the
// declaration in ombixRemoteCall.h, which the compiler checks. The transfer
// table has scalar rows too, so SCALAR stays defined until both are read.
#define SCALAR(call, ...)                                                                                \
    extern "C" std::int32_t OmbixR_##call(std::int32_t handle OMBIX_FOR_EACH(DECL_, __VA_ARGS__)) {      \
        static constexpr const char *names[] = {OMBIX_FOR_EACH(NAME_, __VA_ARGS__) nullptr};             \
        return call_scalar(handle, "Ombix" #call, names OMBIX_FOR_EACH(ARG_, __VA_ARGS__));              \
    }
#include "scalar_calls.def"
#include "record_stubs.inc"
#include "transfer_stubs.inc"
#undef SCALAR

extern "C" void OMBIX_client(void) {}
