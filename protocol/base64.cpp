#include "base64.h"

#include <cstdlib>
#include <cstring>

namespace ombix {
namespace {

constexpr char b64e[65] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of each byte, -1 for a byte outside the alphabet (NUL, "=",
// blanks, "-", "_", 0x80 and up among them). 320 entries so that any
// unsigned char index, and a little beyond, stays inside the table.
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

// The tables of the whole-group paths are derived from the two above and
// describe bytes as they lie in memory on a little-endian machine.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// The two characters of every 12-bit value, first character in the low byte.
struct PairTable {
    std::uint16_t pairs[4096];
};

constexpr PairTable make_pairs() {
    PairTable table{};
    for (unsigned v = 0; v < 4096; ++v) {
        table.pairs[v] = static_cast<std::uint16_t>(static_cast<unsigned char>(b64e[v >> 6]) |
                                                    static_cast<unsigned char>(b64e[v & 63]) << 8);
    }
    return table;
}

constexpr PairTable kPairs = make_pairs();

// For each position k of a group of four characters, each byte's share of the
// group's three bytes, already in memory order (byte 0 lowest), or kBadByte
// when the byte is outside the alphabet. OR-ing the four shares gives the
// group's bytes, with kBadByte set if any character was bad.
constexpr std::uint32_t kBadByte = 0xFF000000u;

struct GroupTable {
    std::uint32_t share[4][256];
};

constexpr std::uint32_t memory_order(std::uint32_t bits24) {
    return (bits24 >> 16 & 0xFFu) | (bits24 & 0xFF00u) | (bits24 & 0xFFu) << 16;
}

constexpr GroupTable make_group_table() {
    GroupTable table{};
    for (int k = 0; k < 4; ++k) {
        for (int c = 0; c < 256; ++c) {
            int value = map64.values[c];
            table.share[k][c] =
                value < 0 ? kBadByte : memory_order(static_cast<std::uint32_t>(value) << (18 - 6 * k));
        }
    }
    return table;
}

constexpr GroupTable kGroups = make_group_table();

inline std::uint32_t group_bytes(const unsigned char *p) {
    return kGroups.share[0][p[0]] | kGroups.share[1][p[1]] | kGroups.share[2][p[2]] | kGroups.share[3][p[3]];
}

inline std::uint32_t load_u32(const std::uint8_t *p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Three bytes from p as the 24 low bits, first byte highest. Reads four.
inline std::uint32_t load_group(const std::uint8_t *p) { return __builtin_bswap32(load_u32(p)) >> 8; }

inline std::uint32_t group_text(std::uint32_t bits24) {
    return kPairs.pairs[bits24 >> 12] | static_cast<std::uint32_t>(kPairs.pairs[bits24 & 0xFFF]) << 16;
}

}  // namespace

void encode_base64_text(const std::uint8_t *bytes, std::size_t count, char *text) {
    char *out = text;
    std::size_t i = 0;
    if constexpr (kLittleEndian) {
        // Four groups per step; each load reads one byte past its group, so
        // the step needs one byte beyond its twelve.
        for (; i + 13 <= count; i += 12, out += 16) {
            std::uint32_t t0 = group_text(load_group(bytes + i));
            std::uint32_t t1 = group_text(load_group(bytes + i + 3));
            std::uint32_t t2 = group_text(load_group(bytes + i + 6));
            std::uint32_t t3 = group_text(load_group(bytes + i + 9));
            std::memcpy(out, &t0, 4);
            std::memcpy(out + 4, &t1, 4);
            std::memcpy(out + 8, &t2, 4);
            std::memcpy(out + 12, &t3, 4);
        }
    }
    for (; i + 3 <= count; i += 3) {
        std::uint32_t group = static_cast<std::uint32_t>(bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
        *out++ = b64e[group >> 18];
        *out++ = b64e[(group >> 12) & 63];
        *out++ = b64e[(group >> 6) & 63];
        *out++ = b64e[group & 63];
    }
    if (count - i == 1) {
        *out++ = b64e[bytes[i] >> 2];
        *out++ = b64e[(bytes[i] & 3) << 4];
        *out++ = '=';
        *out++ = '=';
    } else if (count - i == 2) {
        *out++ = b64e[bytes[i] >> 2];
        *out++ = b64e[((bytes[i] & 3) << 4) | (bytes[i + 1] >> 4)];
        *out++ = b64e[(bytes[i + 1] & 15) << 2];
        *out++ = '=';
    }
    *out = '\0';
}

json_t *encodeBase64(const std::uint8_t *bytes, std::int32_t count) {
    if (bytes == nullptr || count <= 0) return json_null();
    std::size_t n = static_cast<std::size_t>(count);
    std::size_t length = base64_length(n);
    char *text = static_cast<char *>(std::malloc(length + 1));
    if (text == nullptr) return json_null();
    encode_base64_text(bytes, n, text);
    // The alphabet is plain ASCII, so the text needs no UTF-8 check.
    json_t *string = json_stringn_nocheck(text, length);
    std::free(text);
    return string != nullptr ? string : json_null();
}

bool decodeBase64(const char *text, std::uint8_t *destination, std::uint32_t capacity) {
    if (capacity >= 1) destination[0] = 0;
    std::uint32_t written = 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);

    if constexpr (kLittleEndian) {
        // Whole groups of four alphabet characters that fit the capacity. The
        // first group that is short, holds "=" or a bad byte, or would not
        // fit goes to the exact path below, which decides it.
        const unsigned char *end = p + std::strlen(text);
        std::uint8_t *out = destination;
        while (end - p >= 16 && capacity - written >= 12) {
            std::uint32_t g0 = group_bytes(p), g1 = group_bytes(p + 4);
            std::uint32_t g2 = group_bytes(p + 8), g3 = group_bytes(p + 12);
            if ((g0 | g1 | g2 | g3) & kBadByte) break;
            // Each four-byte store spills one zero byte that the next group
            // overwrites; the last group is stored with exactly three.
            std::memcpy(out, &g0, 4);
            std::memcpy(out + 3, &g1, 4);
            std::memcpy(out + 6, &g2, 4);
            std::memcpy(out + 9, &g3, 3);
            p += 16;
            out += 12;
            written += 12;
        }
        while (end - p >= 4 && capacity - written >= 3) {
            std::uint32_t g = group_bytes(p);
            if (g & kBadByte) break;
            std::memcpy(out, &g, 3);
            p += 4;
            out += 3;
            written += 3;
        }
    }

    while (*p != '\0' && *p != '=') {
        std::uint32_t accumulator = 0;
        int g = 0;
        for (; g < 4 && *p != '\0' && *p != '='; ++g, ++p) {
            int value = map64.values[*p];
            if (value < 0) return false;
            accumulator |= static_cast<std::uint32_t>(value) << (18 - 6 * g);
        }
        std::uint32_t produced = static_cast<std::uint32_t>(g - 1);  // g >= 1 here
        if (produced > capacity - written) return false;
        for (std::uint32_t b = 0; b < produced; ++b) destination[written++] = static_cast<std::uint8_t>(accumulator >> (16 - 8 * b));
    }
    return true;
}

}  // namespace ombix
