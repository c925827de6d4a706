#include "json_writer.h"

#include <atomic>
#include <charconv>
#include <cstring>
#include <new>
#include <string_view>

namespace ombix::transport {
namespace {

constexpr int kMaxDepth = 64;

std::atomic<JsonEncoder> chosen_encoder{JsonEncoder::HandWritten};

int append_chunk(const char *buffer, std::size_t size, void *data) {
    try {
        static_cast<std::string *>(data)->append(buffer, size);
        return 0;
    } catch (const std::bad_alloc &) {
        return -1;
    }
}

void append_string(const char *text, std::size_t length, std::string &out) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t plain = 0;  // start of the run of characters copied as they are
    for (std::size_t k = 0; k < length; ++k) {
        auto c = static_cast<unsigned char>(text[k]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text + plain, k - plain);
        plain = k + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
        }
    }
    out.append(text + plain, length - plain);
    out += '"';
}

bool append_value(const json_t *value, std::string &out, int depth) {
    if (depth > kMaxDepth) return false;
    char number[32];
    switch (json_typeof(value)) {
        case JSON_OBJECT: {
            out += '{';
            bool first = true;
            const char *key = nullptr;
            json_t *member = nullptr;
            json_object_foreach(const_cast<json_t *>(value), key, member) {
                if (!first) out += ',';
                first = false;
                append_string(key, std::strlen(key), out);
                out += ':';
                if (!append_value(member, out, depth + 1)) return false;
            }
            out += '}';
            return true;
        }
        case JSON_ARRAY: {
            out += '[';
            for (std::size_t k = 0; k < json_array_size(value); ++k) {
                if (k > 0) out += ',';
                if (!append_value(json_array_get(value, k), out, depth + 1)) return false;
            }
            out += ']';
            return true;
        }
        case JSON_STRING: append_string(json_string_value(value), json_string_length(value), out); return true;
        case JSON_INTEGER: {
            auto written = std::to_chars(number, number + sizeof number, json_integer_value(value));
            out.append(number, written.ptr);
            return true;
        }
        case JSON_REAL: {
            // The shortest text that reads back as the same double, marked as
            // a real so that no reader takes it for an integer.
            auto written = std::to_chars(number, number + sizeof number, json_real_value(value));
            std::string_view text(number, static_cast<std::size_t>(written.ptr - number));
            out.append(text);
            if (text.find_first_of(".e") == std::string_view::npos) out += ".0";
            return true;
        }
        case JSON_TRUE: out += "true"; return true;
        case JSON_FALSE: out += "false"; return true;
        case JSON_NULL: out += "null"; return true;
    }
    return false;
}

}  // namespace

bool append_json(const json_t *value, std::string &out) {
    if (value == nullptr) return false;
    if (chosen_encoder.load(std::memory_order_relaxed) == JsonEncoder::Library)
        return json_dump_callback(value, append_chunk, &out, JSON_COMPACT | JSON_ENCODE_ANY) == 0;
    try {
        return append_value(value, out, 0);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

void use_json_encoder(JsonEncoder encoder) {
    chosen_encoder.store(encoder, std::memory_order_relaxed);
}

}  // namespace ombix::transport
