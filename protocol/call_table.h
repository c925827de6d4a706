// The vocabulary of the call tables on both sides.
//
// A table row names a call and its members in order, each with its C type:
//
//     SCALAR(GetFanSpeed, IN(int32_t, fanNr), OUT(uint8_t, pwm), OUT(int32_t, rpm))
//
// IN and OUT are never macros themselves. OMBIX_FOR_EACH(MODE_, members...)
// pastes a mode prefix onto each member, so IN(int32_t, fanNr) becomes
// MODE_IN(int32_t, fanNr), and each side defines the modes it needs (the
// wire names, the C parameter list, the argument list).
#ifndef OMBIX_PROTOCOL_CALL_TABLE_H
#define OMBIX_PROTOCOL_CALL_TABLE_H

#define OMBIX_FE_0(m)
#define OMBIX_FE_1(m, a) m##a
#define OMBIX_FE_2(m, a, ...) m##a OMBIX_FE_1(m, __VA_ARGS__)
#define OMBIX_FE_3(m, a, ...) m##a OMBIX_FE_2(m, __VA_ARGS__)
#define OMBIX_FE_4(m, a, ...) m##a OMBIX_FE_3(m, __VA_ARGS__)
#define OMBIX_FE_5(m, a, ...) m##a OMBIX_FE_4(m, __VA_ARGS__)
#define OMBIX_FE_6(m, a, ...) m##a OMBIX_FE_5(m, __VA_ARGS__)
#define OMBIX_FE_7(m, a, ...) m##a OMBIX_FE_6(m, __VA_ARGS__)
#define OMBIX_FE_8(m, a, ...) m##a OMBIX_FE_7(m, __VA_ARGS__)
#define OMBIX_FE_PICK(_1, _2, _3, _4, _5, _6, _7, _8, n, ...) n
#define OMBIX_FOR_EACH(m, ...)                                                                          \
    OMBIX_FE_PICK(__VA_ARGS__ __VA_OPT__(, ) OMBIX_FE_8, OMBIX_FE_7, OMBIX_FE_6, OMBIX_FE_5, OMBIX_FE_4, \
                  OMBIX_FE_3, OMBIX_FE_2, OMBIX_FE_1, OMBIX_FE_0)                                        \
    (m __VA_OPT__(, ) __VA_ARGS__)

#endif
