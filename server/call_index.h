// Name lookup for the dispatcher: an open-addressing hash table over the
// call names, built at compile time.
//
// The hash reads two 8-byte windows of the name, bytes 3..10 and the last 8,
// so every name of at least 11 characters (the shortest call name) hashes in
// a few instructions; shorter names cannot be call names. A hit is confirmed
// by length and a whole-name comparison, so only exact names match.
#ifndef OMBIX_SERVER_CALL_INDEX_H
#define OMBIX_SERVER_CALL_INDEX_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ombix::server {

inline constexpr std::size_t kShortestName = 11;
inline constexpr std::size_t kIndexSlots = 256;  // a power of two, about 3 times the call count

// Eight bytes as a little-endian word: one load at run time, a loop when the
// index is built by the compiler.
constexpr std::uint64_t window(const char *text) {
    if (!__builtin_is_constant_evaluated()) {
        std::uint64_t word = 0;
        std::memcpy(&word, text, sizeof word);
        return word;
    }
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(text[i]);
    return word;
}

constexpr std::size_t name_hash(const char *name, std::size_t length) {
    std::uint64_t mix = window(name + 3) * 0x9E3779B97F4A7C15ull ^ window(name + length - 8) * 0xC2B2AE3D27D4EB4Full;
    mix ^= length;
    return static_cast<std::size_t>((mix ^ (mix >> 29)) >> 24) & (kIndexSlots - 1);
}

constexpr std::size_t name_length(const char *name) {
    std::size_t length = 0;
    while (name[length] != '\0') ++length;
    return length;
}

// slots[h] holds 1 + the entry number of a name, 0 for an empty slot.
struct CallIndex {
    std::uint8_t slots[kIndexSlots];
};

template <typename Entry, std::size_t N>
constexpr CallIndex build_index(const Entry (&entries)[N]) {
    static_assert(N < kIndexSlots / 2, "keep the table at most half full");
    CallIndex index{};
    for (std::size_t e = 0; e < N; ++e) {
        std::size_t slot = name_hash(entries[e].name, name_length(entries[e].name));
        while (index.slots[slot] != 0) slot = (slot + 1) & (kIndexSlots - 1);
        index.slots[slot] = static_cast<std::uint8_t>(e + 1);
    }
    return index;
}

// The entry whose name equals `name`, or null.
template <typename Entry, std::size_t N>
const Entry *find_call(const Entry (&entries)[N], const CallIndex &index, const char *name) {
    std::size_t length = std::strlen(name);
    if (length < kShortestName) return nullptr;
    for (std::size_t slot = name_hash(name, length);; slot = (slot + 1) & (kIndexSlots - 1)) {
        std::uint8_t e = index.slots[slot];
        if (e == 0) return nullptr;
        const Entry &entry = entries[e - 1];
        if (entry.length == length && std::memcmp(entry.name, name, length) == 0) return &entry;
    }
}

}  // namespace ombix::server

#endif
