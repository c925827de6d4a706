// The JSON shapes of a remote call: named values, value lists, result and
// error objects, and the check that both modules apply to a named value.
#ifndef OMBIX_PROTOCOL_WIRE_H
#define OMBIX_PROTOCOL_WIRE_H

#include <jansson.h>

#include <cstddef>
#include <cstdint>

namespace ombix {

// The texts of the two error objects; peers match them byte for byte.
inline constexpr const char kWrongCountText[] = "wrong parameters nubmer";
inline constexpr const char kBadListText[] = "parameters list is bad or empty";

// {"i": name, "v": value}. Takes over `value`; returns null when the object
// cannot be built (the value is then released).
json_t *named_value(const char *name, json_t *value);

// Appends {"i": name, "v": value} to `list`, taking over `value`. A named value
// that cannot be built is simply missing from the list.
void append_named(json_t *list, const char *name, json_t *value);

// Number of elements of a value list: 0 for a null pointer or a non-array.
std::size_t element_count(const json_t *list);

// The "v" of element k when that element is an object with a "v" and an "i"
// that is a string equal to `name`; otherwise null. Borrowed reference.
json_t *named_at(const json_t *list, std::size_t k, const char *name);

// Like named_at, and "v" must also have the given JSON type.
json_t *named_at(const json_t *list, std::size_t k, const char *name, json_type type);

// {"ret": code, "outs": outs}. Takes over `outs`; the code is packed as a
// signed 32-bit integer. Returns null if the object cannot be built.
json_t *result_object(std::int32_t code, json_t *outs);

// The server's answer when a parameter list's length is not the call's:
// "wrong parameters nubmer" with {"expected": N} for a list with elements,
// "parameters list is bad or empty" with {"params type": T} otherwise (T is
// the JSON type code of `params`, 7 for a null pointer). Returns null when
// the length is right, and also when the error object cannot be built.
json_t *count_error(const json_t *params, std::size_t expected);

}  // namespace ombix

#endif
