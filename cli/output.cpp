#include "output.h"

#include <cinttypes>
#include <cstdlib>
#include <string>

#include "ombix_types.h"

namespace ombix::cli {
namespace {

void print_value(std::FILE *out, int indent, const char *name, const json_t *value) {
    if (json_is_object(value)) {
        std::fprintf(out, "%*s%s:\n", indent, "", name);
        const char *key = nullptr;
        json_t *member = nullptr;
        json_object_foreach(const_cast<json_t *>(value), key, member) print_value(out, indent + 2, key, member);
    } else if (json_is_array(value)) {
        std::fprintf(out, "%*s%s: %zu\n", indent, "", name, json_array_size(value));
        for (std::size_t k = 0; k < json_array_size(value); ++k) {
            std::string label = std::string(name) + "[" + std::to_string(k) + "]";
            print_value(out, indent + 2, label.c_str(), json_array_get(value, k));
        }
    } else if (json_is_string(value)) {
        std::fprintf(out, "%*s%s: %s\n", indent, "", name, json_string_value(value));
    } else if (json_is_integer(value)) {
        std::fprintf(out, "%*s%s: %" JSON_INTEGER_FORMAT "\n", indent, "", name, json_integer_value(value));
    } else if (json_is_real(value)) {
        std::fprintf(out, "%*s%s: %.9g\n", indent, "", name, json_real_value(value));
    }
}

}  // namespace

void print_readable(std::FILE *out, std::int32_t code, const json_t *outputs) {
    const char *key = nullptr;
    json_t *value = nullptr;
    json_object_foreach(const_cast<json_t *>(outputs), key, value) print_value(out, 0, key, value);
    if (code == OMBIX_RC_OUTPUTS_VALID) std::fprintf(out, "(code 16: outputs valid)\n");
    if (json_object_size(outputs) == 0) std::fprintf(out, "ok\n");
}

void print_json(std::FILE *out, const char *call, std::int32_t code, json_t *outputs) {
    json_t *answer = json_pack("{s:s, s:i, s:O}", "call", call, "code", code, "outputs", outputs);
    char *text =
        answer != nullptr ? json_dumps(answer, JSON_COMPACT | JSON_PRESERVE_ORDER | JSON_REAL_PRECISION(9)) : nullptr;
    std::fprintf(out, "%s\n", text != nullptr ? text : "{}");
    std::free(text);
    json_decref(answer);
}

}  // namespace ombix::cli
