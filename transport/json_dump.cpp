#include "json_dump.h"

#include <cstddef>
#include <new>

namespace ombix::transport {
namespace {

bool nested_deeper_than(const json_t *value, int levels) {
    if (!json_is_array(value) && !json_is_object(value)) return false;
    if (levels == 0) return true;
    if (json_is_array(value)) {
        for (std::size_t k = 0; k < json_array_size(value); ++k)
            if (nested_deeper_than(json_array_get(value, k), levels - 1)) return true;
        return false;
    }
    const char *key = nullptr;
    json_t *member = nullptr;
    json_object_foreach(const_cast<json_t *>(value), key, member) {
        if (nested_deeper_than(member, levels - 1)) return true;
    }
    return false;
}

// No exception may cross the library's C frames.
int append_chunk(const char *buffer, std::size_t size, void *data) {
    try {
        static_cast<std::string *>(data)->append(buffer, size);
        return 0;
    } catch (const std::bad_alloc &) {
        return -1;
    }
}

}  // namespace

bool append_json(const json_t *value, std::string &out) {
    if (value == nullptr || nested_deeper_than(value, kMaxJsonNesting)) return false;
    return json_dump_callback(value, append_chunk, &out, JSON_COMPACT | JSON_ENCODE_ANY) == 0;
}

}  // namespace ombix::transport
