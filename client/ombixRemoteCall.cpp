// The remote API client: one exported stub per call of the API, each the
// frame of its row in calls.def.
#include "ombixRemoteCall.h"

#include <cstdint>

#include "call_stub.h"

namespace {

// The type of parameter K of the function type F (after its return type).
template <typename F, int K>
struct ParameterOf;
template <typename R, typename First, typename... Rest>
struct ParameterOf<R (*)(First, Rest...), 0> {
    using type = First;
};
template <typename R, typename First, typename... Rest, int K>
struct ParameterOf<R (*)(First, Rest...), K> {
    using type = typename ParameterOf<R (*)(Rest...), K - 1>::type;
};

}  // namespace

// A stub's parameters are those of its declaration in ombix_calls.h, named
// a0 (the handle), a1, ... by position and handed on in order; the number of
// parameters is counted from the declaration.
#define OMBIX_COUNT(...) OMBIX_COUNT_PICK(__VA_ARGS__, 8, 7, 6, 5, 4, 3, 2, 1, unused)
#define OMBIX_COUNT_PICK(_1, _2, _3, _4, _5, _6, _7, _8, n, ...) n
#define OMBIX_PARAMETER(f, k) typename ParameterOf<decltype(&f), k>::type a##k
#define OMBIX_PARAMETERS_1(f) OMBIX_PARAMETER(f, 0)
#define OMBIX_PARAMETERS_2(f) OMBIX_PARAMETERS_1(f), OMBIX_PARAMETER(f, 1)
#define OMBIX_PARAMETERS_3(f) OMBIX_PARAMETERS_2(f), OMBIX_PARAMETER(f, 2)
#define OMBIX_PARAMETERS_4(f) OMBIX_PARAMETERS_3(f), OMBIX_PARAMETER(f, 3)
#define OMBIX_PARAMETERS_5(f) OMBIX_PARAMETERS_4(f), OMBIX_PARAMETER(f, 4)
#define OMBIX_PARAMETERS_6(f) OMBIX_PARAMETERS_5(f), OMBIX_PARAMETER(f, 5)
#define OMBIX_PARAMETERS_7(f) OMBIX_PARAMETERS_6(f), OMBIX_PARAMETER(f, 6)
#define OMBIX_PARAMETERS_8(f) OMBIX_PARAMETERS_7(f), OMBIX_PARAMETER(f, 7)
#define OMBIX_ARGUMENTS_1 a0
#define OMBIX_ARGUMENTS_2 OMBIX_ARGUMENTS_1, a1
#define OMBIX_ARGUMENTS_3 OMBIX_ARGUMENTS_2, a2
#define OMBIX_ARGUMENTS_4 OMBIX_ARGUMENTS_3, a3
#define OMBIX_ARGUMENTS_5 OMBIX_ARGUMENTS_4, a4
#define OMBIX_ARGUMENTS_6 OMBIX_ARGUMENTS_5, a5
#define OMBIX_ARGUMENTS_7 OMBIX_ARGUMENTS_6, a6
#define OMBIX_ARGUMENTS_8 OMBIX_ARGUMENTS_7, a7
#define OMBIX_PASTE(a, b) a##b
#define OMBIX_PARAMETERS(f, n) OMBIX_PASTE(OMBIX_PARAMETERS_, n)(f)
#define OMBIX_ARGUMENTS(n) OMBIX_PASTE(OMBIX_ARGUMENTS_, n)

#define OMBIX_CALL(call, arguments)                                                                  \
    extern "C" std::int32_t OmbixR_##call(OMBIX_PARAMETERS(OmbixR_##call, OMBIX_COUNT arguments)) {  \
        return ombix::client::call_stub<ombix::calls::call>(OMBIX_ARGUMENTS(OMBIX_COUNT arguments)); \
    }
#include "ombix_calls.h"
#undef OMBIX_CALL

#undef OMBIX_ARGUMENTS
#undef OMBIX_PARAMETERS
#undef OMBIX_PASTE
#undef OMBIX_ARGUMENTS_8
#undef OMBIX_ARGUMENTS_7
#undef OMBIX_ARGUMENTS_6
#undef OMBIX_ARGUMENTS_5
#undef OMBIX_ARGUMENTS_4
#undef OMBIX_ARGUMENTS_3
#undef OMBIX_ARGUMENTS_2
#undef OMBIX_ARGUMENTS_1
#undef OMBIX_PARAMETERS_8
#undef OMBIX_PARAMETERS_7
#undef OMBIX_PARAMETERS_6
#undef OMBIX_PARAMETERS_5
#undef OMBIX_PARAMETERS_4
#undef OMBIX_PARAMETERS_3
#undef OMBIX_PARAMETERS_2
#undef OMBIX_PARAMETERS_1
#undef OMBIX_PARAMETER
#undef OMBIX_COUNT_PICK
#undef OMBIX_COUNT

extern "C" void OMBIX_client(void) {}
