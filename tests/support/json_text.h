// Small helpers for tests that compare JSON values.
#ifndef OMBIX_TEST_JSON_TEXT_H
#define OMBIX_TEST_JSON_TEXT_H

#include <jansson.h>

#include <memory>
#include <string>

namespace ombix::test {

struct JsonRelease {
    void operator()(json_t *value) const { json_decref(value); }
};
using JsonPtr = std::unique_ptr<json_t, JsonRelease>;

// Parses JSON text (any value); null on a syntax error.
inline JsonPtr parse(const std::string &text) {
    return JsonPtr(json_loads(text.c_str(), JSON_DECODE_ANY, nullptr));
}

// Compact text of a value, "NULL" for a null pointer.
inline std::string text_of(const json_t *value) {
    if (value == nullptr) return "NULL";
    char *text = json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY | JSON_SORT_KEYS);
    std::string result = text != nullptr ? text : "<unprintable>";
    // Through jansson's release function: a test may have installed its own allocator.
    json_malloc_t allocate = nullptr;
    json_free_t release = nullptr;
    json_get_alloc_funcs(&allocate, &release);
    if (text != nullptr) release(text);
    return result;
}

// Normalised text of a JSON text, so that two texts compare by content.
inline std::string canonical(const std::string &text) {
    return text_of(parse(text).get());
}

}  // namespace ombix::test

#endif
