// The byte-buffer encoding of the wire: standard base64 with optional "=".
#ifndef OMBIX_PROTOCOL_BASE64_H
#define OMBIX_PROTOCOL_BASE64_H

#include <jansson.h>

#include <cstddef>
#include <cstdint>

namespace ombix {

// The base64 text of `count` bytes as a new JSON string (one reference), or
// JSON null when `bytes` is null or `count` is 0 or less. Null (no value at
// all) when the text cannot be built for want of memory: a caller never
// sends that as "no bytes".
json_t *encodeBase64(const std::uint8_t *bytes, std::int32_t count);

// Decodes `text` into `destination`, which holds `capacity` bytes. The first
// byte is cleared first (when capacity is at least 1); decoding stops with
// success at NUL or the first "="; it fails at once on a byte outside the
// alphabet, and on a group of up to 4 characters whose bytes would pass the
// capacity, storing nothing of that group. Bytes already stored stay, bytes
// behind them are untouched.
bool decodeBase64(const char *text, std::uint8_t *destination, std::uint32_t capacity);

// Characters of the text of `count` bytes, without the terminator.
constexpr std::size_t base64_length(std::size_t count) {
    return (count + 2) / 3 * 4;
}

// Writes the text of `count` bytes and its terminator into `text`, which
// holds base64_length(count) + 1 bytes: the core of encodeBase64.
void encode_base64_text(const std::uint8_t *bytes, std::size_t count, char *text);

}  // namespace ombix

#endif
