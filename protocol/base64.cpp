#include "base64.h"

#include <cstring>

#include "allocation.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define OMBIX_BASE64_VECTOR 1
#endif

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
            table.share[k][c] = value < 0 ? kBadByte : memory_order(static_cast<std::uint32_t>(value) << (18 - 6 * k));
        }
    }
    return table;
}

constexpr GroupTable kGroups = make_group_table();

// One load for the four characters, then one table look-up each.
inline std::uint32_t group_bytes(const unsigned char *p) {
    std::uint32_t c;
    std::memcpy(&c, p, sizeof c);
    return kGroups.share[0][c & 0xFF] | kGroups.share[1][c >> 8 & 0xFF] | kGroups.share[2][c >> 16 & 0xFF] |
           kGroups.share[3][c >> 24];
}

inline std::uint32_t load_u32(const std::uint8_t *p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Three bytes from p as the 24 low bits, first byte highest. Reads four.
inline std::uint32_t load_group(const std::uint8_t *p) {
    return __builtin_bswap32(load_u32(p)) >> 8;
}

inline std::uint32_t group_text(std::uint32_t bits24) {
    return kPairs.pairs[bits24 >> 12] | static_cast<std::uint32_t>(kPairs.pairs[bits24 & 0xFFF]) << 16;
}

#ifdef OMBIX_BASE64_VECTOR
// Sixteen characters at a time with byte shuffles. The checks are derived
// from the alphabet: for each low nibble of a byte, the set of high nibbles
// that make it an alphabet character, and for each high nibble the offset
// that turns a character into its 6-bit value.
struct VectorTables {
    std::uint8_t valid_high[16];  // by low nibble: bit h set when 16h + low is in the alphabet
    std::uint8_t high_bit[16];    // by high nibble: 1 << h for h < 8, else 0 (never valid)
    std::int8_t offset[16];       // by high nibble: value - character
};

constexpr VectorTables make_vector_tables() {
    VectorTables t{};
    for (int h = 0; h < 8; ++h) t.high_bit[h] = static_cast<std::uint8_t>(1u << h);
    for (int c = 0; c < 128; ++c) {
        int value = map64.values[c];
        if (value < 0) continue;
        t.valid_high[c & 15] = static_cast<std::uint8_t>(t.valid_high[c & 15] | 1u << (c >> 4));
        // "/" is the one character whose high nibble gives the wrong offset
        // ("+" shares it); it is corrected on its own.
        if (c != '/') t.offset[c >> 4] = static_cast<std::int8_t>(value - c);
    }
    return t;
}

constexpr VectorTables kVector = make_vector_tables();
constexpr std::int8_t kSlashCorrection =
    static_cast<std::int8_t>(map64.values[static_cast<unsigned char>('/')] - '/' - kVector.offset['/' >> 4]);

bool vector_codec_available() {
    static_assert(kLittleEndian, "the vector codec loads and stores bytes in memory order");
    return __builtin_cpu_supports("ssse3");
}

__attribute__((target("ssse3"))) inline __m128i load_table(const void *table) {
    return _mm_loadu_si128(static_cast<const __m128i *>(table));
}

// Decodes whole blocks of 16 alphabet characters (12 bytes) while `chars`
// and `room` allow; stops before the first block that holds any other byte.
// Returns the number of blocks decoded.
__attribute__((target("ssse3"))) std::size_t decode_blocks(const unsigned char *p, std::size_t chars, std::uint8_t *out,
                                                           std::size_t room) {
    const __m128i valid_high = load_table(kVector.valid_high);
    const __m128i high_bit = load_table(kVector.high_bit);
    const __m128i offset = load_table(kVector.offset);
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i slash_correction = _mm_set1_epi8(kSlashCorrection);
    const __m128i pairs = _mm_set1_epi32(0x01400140);  // a * 64 + b in each 16-bit lane
    const __m128i quads = _mm_set1_epi32(0x00011000);  // ab * 4096 + cd in each 32-bit lane
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::size_t blocks = 0;
    for (; chars >= 16 && room >= 12; chars -= 16, room -= 12, p += 16, out += 12, ++blocks) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        __m128i high = _mm_and_si128(_mm_srli_epi32(in, 4), nibble);
        __m128i low = _mm_and_si128(in, nibble);
        __m128i allowed = _mm_and_si128(_mm_shuffle_epi8(valid_high, low), _mm_shuffle_epi8(high_bit, high));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(allowed, _mm_setzero_si128())) != 0) break;
        __m128i shift =
            _mm_add_epi8(_mm_shuffle_epi8(offset, high), _mm_and_si128(_mm_cmpeq_epi8(in, slash), slash_correction));
        __m128i values = _mm_add_epi8(in, shift);
        __m128i packed = _mm_shuffle_epi8(_mm_madd_epi16(_mm_maddubs_epi16(values, pairs), quads), order);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), packed);
        std::uint32_t tail = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8)));
        std::memcpy(out + 8, &tail, 4);
    }
    return blocks;
}

// The same on 32 characters (24 bytes) per step, where the processor has
// 256-bit registers; the shuffles work within each 16-byte half, so every
// table is simply repeated in both halves.
bool wide_decoder_available() {
    return __builtin_cpu_supports("avx2");
}

__attribute__((target("avx2"))) std::size_t decode_wide_blocks(const unsigned char *p, std::size_t chars,
                                                               std::uint8_t *out, std::size_t room) {
    const __m256i valid_high = _mm256_broadcastsi128_si256(load_table(kVector.valid_high));
    const __m256i high_bit = _mm256_broadcastsi128_si256(load_table(kVector.high_bit));
    const __m256i offset = _mm256_broadcastsi128_si256(load_table(kVector.offset));
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i slash = _mm256_set1_epi8('/');
    const __m256i slash_correction = _mm256_set1_epi8(kSlashCorrection);
    const __m256i pairs = _mm256_set1_epi32(0x01400140);
    const __m256i quads = _mm256_set1_epi32(0x00011000);
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,  //
                                           2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::size_t blocks = 0;
    for (; chars >= 32 && room >= 24; chars -= 32, room -= 24, p += 32, out += 24, ++blocks) {
        __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
        __m256i high = _mm256_and_si256(_mm256_srli_epi32(in, 4), nibble);
        __m256i low = _mm256_and_si256(in, nibble);
        __m256i allowed = _mm256_and_si256(_mm256_shuffle_epi8(valid_high, low), _mm256_shuffle_epi8(high_bit, high));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(allowed, _mm256_setzero_si256())) != 0) break;
        __m256i shift = _mm256_add_epi8(_mm256_shuffle_epi8(offset, high),
                                        _mm256_and_si256(_mm256_cmpeq_epi8(in, slash), slash_correction));
        __m256i values = _mm256_add_epi8(in, shift);
        __m256i packed = _mm256_shuffle_epi8(_mm256_madd_epi16(_mm256_maddubs_epi16(values, pairs), quads), order);
        // The first half's four spare bytes are overwritten by the second
        // half, which is stored with exactly twelve.
        __m128i second = _mm256_extracti128_si256(packed, 1);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 12), second);
        std::uint32_t tail = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(second, 8)));
        std::memcpy(out + 20, &tail, 4);
    }
    return blocks;
}

// The encoder's counterpart: 12 bytes to 16 characters. After the bytes are
// split into 6-bit indices, a saturating subtraction and one comparison sort
// each index into its alphabet range (capitals, small letters, digits, "+",
// "/"), and a shuffle adds that range's offset.
struct EncodeTable {
    std::int8_t offset[16];
};

constexpr EncodeTable make_encode_table() {
    EncodeTable t{};
    t.offset[0] = static_cast<std::int8_t>(b64e[26] - 26);
    for (int r = 1; r <= 10; ++r) t.offset[r] = static_cast<std::int8_t>(b64e[52] - 52);
    t.offset[11] = static_cast<std::int8_t>(b64e[62] - 62);
    t.offset[12] = static_cast<std::int8_t>(b64e[63] - 63);
    t.offset[13] = static_cast<std::int8_t>(b64e[0]);
    return t;
}

constexpr EncodeTable kEncode = make_encode_table();

// Encodes blocks of 12 bytes while 16 can be read; returns the block count.
__attribute__((target("ssse3"))) std::size_t encode_blocks(const std::uint8_t *bytes, std::size_t count, char *out) {
    const __m128i spread = _mm_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
    const __m128i offset = load_table(kEncode.offset);
    std::size_t blocks = 0;
    for (; count >= 16; count -= 12, bytes += 12, out += 16, ++blocks) {
        __m128i in = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes)), spread);
        __m128i first_third =
            _mm_mulhi_epu16(_mm_and_si128(in, _mm_set1_epi32(0x0FC0FC00)), _mm_set1_epi32(0x04000040));
        __m128i second_fourth =
            _mm_mullo_epi16(_mm_and_si128(in, _mm_set1_epi32(0x003F03F0)), _mm_set1_epi32(0x01000010));
        __m128i indices = _mm_or_si128(first_third, second_fourth);
        __m128i range = _mm_subs_epu8(indices, _mm_set1_epi8(51));
        __m128i capitals = _mm_cmpgt_epi8(_mm_set1_epi8(26), indices);
        range = _mm_or_si128(range, _mm_and_si128(capitals, _mm_set1_epi8(13)));
        __m128i text = _mm_add_epi8(_mm_shuffle_epi8(offset, range), indices);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), text);
    }
    return blocks;
}
#endif

}  // namespace

void encode_base64_text(const std::uint8_t *bytes, std::size_t count, char *text) {
    char *out = text;
    std::size_t i = 0;
#ifdef OMBIX_BASE64_VECTOR
    if (vector_codec_available()) {
        std::size_t blocks = encode_blocks(bytes, count, out);
        i = 12 * blocks;
        out += 16 * blocks;
    }
#endif
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
    // Short texts (raw values, descriptions) are built on the stack: a list
    // answer holds hundreds of them.
    char local[256];
    char *text = length < sizeof local ? local : static_cast<char *>(obtain_bytes(length + 1));
    if (text == nullptr) return nullptr;
    encode_base64_text(bytes, n, text);
    // The alphabet is plain ASCII, so the text needs no UTF-8 check.
    json_t *string = json_stringn_nocheck(text, length);
    if (text != local) release_bytes(text);
    return string;
}

bool decodeBase64(const char *text, std::uint8_t *destination, std::uint32_t capacity) {
    if (capacity >= 1) destination[0] = 0;
    std::uint32_t written = 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);

    if constexpr (kLittleEndian) {
        // Whole blocks of 32 or 16 alphabet characters, then whole groups of
        // four, as long as they fit the capacity. The first group that is
        // short, holds "=" or any byte outside the alphabet, or would not fit
        // goes to the exact path below, which decides it by the rules.
        const unsigned char *end = p + std::strlen(text);
        std::uint8_t *out = destination;
#ifdef OMBIX_BASE64_VECTOR
        if (wide_decoder_available()) {
            std::size_t blocks = decode_wide_blocks(p, static_cast<std::size_t>(end - p), out, capacity);
            p += 32 * blocks;
            out += 24 * blocks;
            written += static_cast<std::uint32_t>(24 * blocks);
        }
        if (vector_codec_available()) {
            std::size_t blocks = decode_blocks(p, static_cast<std::size_t>(end - p), out, capacity - written);
            p += 16 * blocks;
            out += 12 * blocks;
            written += static_cast<std::uint32_t>(12 * blocks);
        }
#endif
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
        for (std::uint32_t b = 0; b < produced; ++b)
            destination[written++] = static_cast<std::uint8_t>(accumulator >> (16 - 8 * b));
    }
    return true;
}

}  // namespace ombix
