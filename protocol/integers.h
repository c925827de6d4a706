// The integer rule of the wire: writers extend by the declared width and
// signedness, readers keep the low bits of their target without range checks.
#ifndef OMBIX_PROTOCOL_INTEGERS_H
#define OMBIX_PROTOCOL_INTEGERS_H

#include <jansson.h>

#include <cstdint>
#include <type_traits>

namespace ombix {

// A signed value is sign-extended and an unsigned one zero-extended into the
// 64-bit JSON integer: int8_t -1 gives -1, uint32_t 0xFFFFFFFF 4294967295.
template <typename T>
json_t *integer_value(T value) {
    static_assert(std::is_integral_v<T> && sizeof(T) <= 4, "wire integers are 8 to 32 bits wide");
    return json_integer(static_cast<json_int_t>(value));
}

// The low bits of a JSON integer that fit T: 256 into uint8_t gives 0,
// 4294967295 into int32_t gives -1. Wrapping through the unsigned type keeps
// the conversion well defined.
template <typename T>
T low_bits(json_int_t value) {
    static_assert(std::is_integral_v<T> && sizeof(T) <= 4, "wire integers are 8 to 32 bits wide");
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<std::uint64_t>(value)));
}

template <typename T>
T low_bits(const json_t *integer) {
    return low_bits<T>(json_integer_value(integer));
}

}  // namespace ombix

#endif
