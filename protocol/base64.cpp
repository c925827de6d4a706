#include "base64.h"

#include <cstdlib>

namespace ombix {
namespace {

constexpr char b64e[65] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct DecodeTable {
    std::int8_t values[320];
};

constexpr DecodeTable make_map64() {
    DecodeTable table{};
    for (auto &value : table.values) value = -1;
    for (int i = 0; i < 64; ++i) table.values[static_cast<unsigned char>(b64e[i])] = static_cast<std::int8_t>(i);
    return table;
}

constexpr DecodeTable map64 = make_map64();

}  // namespace

json_t *encodeBase64(const std::uint8_t *bytes, std::int32_t count) {
    if (bytes == nullptr || count <= 0) return json_null();
    std::size_t n = static_cast<std::size_t>(count);
    char *text = static_cast<char *>(std::malloc((n + 2) / 3 * 4 + 1));
    if (text == nullptr) return json_null();
    char *out = text;
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        *out++ = b64e[group >> 18];
        *out++ = b64e[(group >> 12) & 63];
        *out++ = b64e[(group >> 6) & 63];
        *out++ = b64e[group & 63];
    }
    if (n - i == 1) {
        *out++ = b64e[bytes[i] >> 2];
        *out++ = b64e[(bytes[i] & 3) << 4];
        *out++ = '=';
        *out++ = '=';
    } else if (n - i == 2) {
        *out++ = b64e[bytes[i] >> 2];
        *out++ = b64e[((bytes[i] & 3) << 4) | (bytes[i + 1] >> 4)];
        *out++ = b64e[(bytes[i + 1] & 15) << 2];
        *out++ = '=';
    }
    *out = '\0';
    json_t *string = json_string(text);
    std::free(text);
    return string != nullptr ? string : json_null();
}

bool decodeBase64(const char *text, std::uint8_t *destination, std::uint32_t capacity) {
    if (capacity >= 1) destination[0] = 0;
    std::uint32_t written = 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (*p != '\0' && *p != '=') {
        std::uint32_t accumulator = 0;
        int g = 0;
        for (; g < 4 && *p != '\0' && *p != '='; ++g, ++p) {
            int value = map64.values[*p];
            if (value < 0) return false;
            accumulator |= static_cast<std::uint32_t>(value) << (18 - 6 * g);
        }
        std::uint32_t produced = g > 0 ? static_cast<std::uint32_t>(g - 1) : 0;
        if (produced > capacity - written) return false;
        for (std::uint32_t b = 0; b < produced; ++b) destination[written++] = static_cast<std::uint8_t>(accumulator >> (16 - 8 * b));
    }
    return true;
}

}  // namespace ombix
