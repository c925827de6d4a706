#include "wire.h"

#include <cstring>

namespace ombix {

json_t *named_value(const char *name, json_t *value) {
    return json_pack("{s:s, s:o}", "i", name, "v", value);
}

bool append_named(json_t *list, const char *name, json_t *value) {
    // json_pack releases the value when it fails, and json_array_append_new
    // the named value; both refuse a null.
    return json_array_append_new(list, named_value(name, value)) == 0;
}

void ValueList::add(const char *name, json_t *value) {
    if (list_ == nullptr) {
        json_decref(value);
        return;
    }
    if (!append_named(list_, name, value)) {
        json_decref(list_);
        list_ = nullptr;
    }
}

json_t *ValueList::take() {
    json_t *list = list_;
    list_ = nullptr;
    return list;
}

std::size_t element_count(const json_t *list) {
    return json_is_array(list) ? json_array_size(list) : 0;
}

json_t *named_at(const json_t *list, std::size_t k, const char *name) {
    json_t *element = json_array_get(list, k);
    if (!json_is_object(element)) return nullptr;
    json_t *value = json_object_get(element, "v");
    if (value == nullptr) return nullptr;
    const char *key = json_string_value(json_object_get(element, "i"));
    if (key == nullptr || std::strcmp(key, name) != 0) return nullptr;
    return value;
}

json_t *named_at(const json_t *list, std::size_t k, const char *name, json_type type) {
    json_t *value = named_at(list, k, name);
    return value != nullptr && json_typeof(value) == type ? value : nullptr;
}

json_t *result_object(std::int32_t code, json_t *outs) {
    return json_pack("{s:i, s:o}", "ret", static_cast<int>(code), "outs", outs);
}

bool length_matches(const json_t *params, std::size_t expected) {
    return element_count(params) == expected;
}

json_t *length_error(const json_t *params, std::size_t expected) {
    if (element_count(params) > 0) {
        return json_pack("{s:s, s:o}", "error", kWrongCountText, "errorMsg",
                         json_pack("{s:i}", "expected", static_cast<int>(expected)));
    }
    // A null pointer has no type to report; it is answered as JSON null.
    int type = params != nullptr ? static_cast<int>(json_typeof(params)) : static_cast<int>(JSON_NULL);
    return json_pack("{s:s, s:o}", "error", kBadListText, "errorMsg", json_pack("{s:i}", "params type", type));
}

}  // namespace ombix
