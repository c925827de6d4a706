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

// Appends {"i": name, "v": value} to `list`, taking over `value`. False, with
// nothing appended, when `value` is null or the named value cannot be built
// or placed (no memory): the caller must not hand the list on as complete.
[[nodiscard]] bool append_named(json_t *list, const char *name, json_t *value);

// A value list built element by element and handed on only whole: once an
// element is lost for want of memory the list is dropped, so no request or
// answer ever travels with an element missing. Releases what it still holds.
class ValueList {
public:
    ValueList() : list_(json_array()) {}
    ~ValueList() { json_decref(list_); }
    ValueList(const ValueList &) = delete;
    ValueList &operator=(const ValueList &) = delete;

    // Appends {"i": name, "v": value}, taking over `value` (null counts as lost).
    void add(const char *name, json_t *value);
    // The list with one reference, or null when an element was lost.
    json_t *take();

private:
    json_t *list_;
};

// Number of elements of a value list: 0 for a null pointer or a non-array.
std::size_t element_count(const json_t *list);

// The "v" of element k when that element is an object with a "v" and an "i"
// that is a string equal to `name`; otherwise null. Borrowed reference.
json_t *named_at(const json_t *list, std::size_t k, const char *name);

// Like named_at, and "v" must also have the given JSON type.
json_t *named_at(const json_t *list, std::size_t k, const char *name, json_type type);

// {"ret": code, "outs": outs}. Takes over `outs`; the code is packed as a
// signed 32-bit integer. Returns null if `outs` is null or the object cannot
// be built.
json_t *result_object(std::int32_t code, json_t *outs);

// True when the parameter list has exactly `expected` elements.
bool length_matches(const json_t *params, std::size_t expected);

// The server's answer to a parameter list whose length is not the call's:
// "wrong parameters nubmer" with {"expected": N} for a list with elements,
// "parameters list is bad or empty" with {"params type": T} otherwise (T is
// the JSON type code of `params`, 7 for a null pointer). Returns null when
// the error object cannot be built; the call must then not go on as if the
// length were right.
json_t *length_error(const json_t *params, std::size_t expected);

}  // namespace ombix

#endif
