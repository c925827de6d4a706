// The base64 encoder and decoder: the standard's vectors, every decoding
// rule, and a comparison with a plain reference decoder over all short texts
// of a mixed alphabet and over large random buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base64.h"
#include "json_text.h"

using ombix::decodeBase64;
using ombix::encodeBase64;
using ombix::test::JsonPtr;

namespace {

constexpr std::uint8_t kUntouched = 0xEE;

std::vector<std::uint8_t> bytes_of(const std::string &text) {
    return {text.begin(), text.end()};
}

std::string encoded(const std::vector<std::uint8_t> &bytes) {
    JsonPtr value(encodeBase64(bytes.data(), static_cast<std::int32_t>(bytes.size())));
    return json_is_string(value.get()) ? json_string_value(value.get()) : "<not a string>";
}

// The reference decoder, written from the rules one character at a time.
bool reference_decode(const char *text, std::uint8_t *out, std::uint32_t capacity) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (capacity >= 1) out[0] = 0;
    std::uint32_t written = 0;
    std::size_t i = 0;
    while (text[i] != '\0' && text[i] != '=') {
        std::uint32_t bits = 0;
        int g = 0;
        while (g < 4 && text[i] != '\0' && text[i] != '=') {
            std::size_t value = alphabet.find(text[i]);
            if (value == std::string::npos) return false;
            bits |= static_cast<std::uint32_t>(value) << (18 - 6 * g);
            ++g;
            ++i;
        }
        if (written + static_cast<std::uint32_t>(g - 1) > capacity) return false;
        for (int b = 0; b < g - 1; ++b) out[written++] = static_cast<std::uint8_t>(bits >> (16 - 8 * b));
    }
    return true;
}

std::string reference_encode(const std::vector<std::uint8_t> &bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = bytes[i] << 16;
        if (i + 1 < bytes.size()) group |= bytes[i + 1] << 8;
        if (i + 2 < bytes.size()) group |= bytes[i + 2];
        text += alphabet[group >> 18 & 63];
        text += alphabet[group >> 12 & 63];
        text += i + 1 < bytes.size() ? alphabet[group >> 6 & 63] : '=';
        text += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
    }
    return text;
}

struct Decoded {
    bool ok;
    std::vector<std::uint8_t> buffer;
};

// Decodes into a buffer of `capacity` bytes plus a guard, all preset to kUntouched.
Decoded decode(const std::string &text, std::uint32_t capacity) {
    Decoded d{false, std::vector<std::uint8_t>(capacity + 4, kUntouched)};
    d.ok = decodeBase64(text.c_str(), d.buffer.data(), capacity);
    return d;
}

std::vector<std::uint8_t> with_rest(std::vector<std::uint8_t> front, std::size_t size) {
    front.resize(size, kUntouched);
    return front;
}

TEST(Base64, the_standard_test_vectors_encode_and_decode) {
    const std::pair<const char *, const char *> vectors[] = {{"f", "Zg=="},         {"fo", "Zm8="},
                                                             {"foo", "Zm9v"},       {"foob", "Zm9vYg=="},
                                                             {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto &[plain, text] : vectors) {
        EXPECT_EQ(encoded(bytes_of(plain)), text);
        Decoded d = decode(text, 6);
        EXPECT_TRUE(d.ok) << text;
        EXPECT_EQ(std::string(d.buffer.begin(), d.buffer.begin() + static_cast<long>(std::strlen(plain))), plain);
    }
}

TEST(Base64, a_null_buffer_or_a_count_of_zero_or_less_encodes_as_json_null) {
    std::uint8_t byte = 1;
    for (auto [bytes, count] : {std::pair<const std::uint8_t *, std::int32_t>{nullptr, 3}, {&byte, 0}, {&byte, -1}}) {
        JsonPtr value(encodeBase64(bytes, count));
        EXPECT_TRUE(json_is_null(value.get()));
    }
}

TEST(Base64, texts_are_four_characters_per_started_group) {
    const std::pair<std::size_t, std::size_t> lengths[] = {{1, 4}, {2, 4}, {3, 4}, {4, 8}, {6, 8}, {128, 172}};
    for (auto [count, length] : lengths) {
        std::string text = encoded(std::vector<std::uint8_t>(count, 0xFF));
        EXPECT_EQ(text.size(), length);
        EXPECT_EQ(ombix::base64_length(count), length);
    }
    EXPECT_EQ(encoded(std::vector<std::uint8_t>(6, 0xAB)).find('='), std::string::npos);
    EXPECT_EQ(encoded(std::vector<std::uint8_t>(128, 0)).substr(170), "A=");
}

struct DecodeCase {
    const char *what;
    std::string text;
    std::uint32_t capacity;
    bool ok;
    std::vector<std::uint8_t> stored;  // the buffer's front; the rest must be untouched
};

TEST(Base64, decoding_follows_every_rule) {
    const DecodeCase cases[] = {
        {"padding is optional", "QQ", 1, true, {0x41}},
        {"padding is accepted", "QQ==", 1, true, {0x41}},
        {"a short group ignores its spare low bits", "QUL", 2, true, {0x41, 0x42}},
        {"a short group ignores its spare low bits", "QUJ", 2, true, {0x41, 0x42}},
        {"four bytes without padding fit four", "QUJDRA", 4, true, {0x41, 0x42, 0x43, 0x44}},
        {"a group that passes the capacity stores nothing", "QUJDRA", 3, false, {0x41, 0x42, 0x43}},
        {"six bytes into five keep the first group", "QUJDREVG", 5, false, {0x41, 0x42, 0x43}},
        {"a line feed fails after the group before it", "QUJD\n", 3, false, {0x41, 0x42, 0x43}},
        {"everything after the first = is ignored", "QUJD=\n-_ \xff", 3, true, {0x41, 0x42, 0x43}},
        {"a lone final character stores nothing", "Q", 4, true, {0x00}},
        {"a lone character after a group is accepted", "QUJDR", 3, true, {0x41, 0x42, 0x43}},
        {"an empty text clears the first byte only", "", 4, true, {0x00}},
        {"a text starting with = clears the first byte only", "=QUJD", 4, true, {0x00}},
        {"a minus fails", "QU-D", 3, false, {0x00}},
        {"an underscore fails", "QU_D", 3, false, {0x00}},
        {"a blank fails", "QU D", 3, false, {0x00}},
        {"a byte from 0x80 up fails",
         "QU\x80"
         "D",
         3,
         false,
         {0x00}},
        {"a bad byte in a later group keeps the earlier groups", "QUJDRE\tG", 6, false, {0x41, 0x42, 0x43}},
        {"a capacity of 0 takes only an empty result", "QQ", 0, false, {}},
        {"a capacity of 0 accepts an empty text", "", 0, true, {}},
    };
    for (const DecodeCase &c : cases) {
        Decoded d = decode(c.text, c.capacity);
        EXPECT_EQ(d.ok, c.ok) << c.what;
        EXPECT_EQ(d.buffer, with_rest(c.stored, c.capacity + 4)) << c.what;
    }
}

TEST(Base64, every_short_text_of_a_mixed_alphabet_decodes_as_the_reference_does) {
    // Valid characters, "=", NUL-free bytes outside the alphabet.
    const char symbols[] = {'A', 'z', '/', '+', '=', '-', ' ', '\xC3'};
    constexpr int kSymbols = sizeof symbols;
    std::string text;
    for (int length = 0; length <= 6; ++length) {
        int total = 1;
        for (int i = 0; i < length; ++i) total *= kSymbols;
        for (int n = 0; n < total; ++n) {
            text.clear();
            for (int i = 0, v = n; i < length; ++i, v /= kSymbols) text += symbols[v % kSymbols];
            for (std::uint32_t capacity = 0; capacity <= 5; ++capacity) {
                std::uint8_t ours[9], theirs[9];
                std::memset(ours, kUntouched, sizeof ours);
                std::memset(theirs, kUntouched, sizeof theirs);
                bool ok = decodeBase64(text.c_str(), ours, capacity);
                ASSERT_EQ(ok, reference_decode(text.c_str(), theirs, capacity))
                    << '"' << text << "\" into " << capacity;
                ASSERT_EQ(0, std::memcmp(ours, theirs, sizeof ours)) << '"' << text << "\" into " << capacity;
            }
        }
    }
}

TEST(Base64, random_buffers_up_to_the_transfer_limit_match_the_reference) {
    std::mt19937 random(20260318);
    std::vector<std::size_t> sizes = {1, 2, 3, 12, 13, 15, 16, 17, 47, 48, 49, 262143, 262144};
    for (int i = 0; i < 24; ++i) sizes.push_back(random() % 262145);
    for (std::size_t size : sizes) {
        std::vector<std::uint8_t> bytes(size);
        for (auto &b : bytes) b = static_cast<std::uint8_t>(random());
        std::string text = encoded(bytes);
        std::string expected_text = reference_encode(bytes);
        ASSERT_EQ(text, expected_text) << size << " bytes";
        std::string unpadded = text.substr(0, text.find('='));
        for (const std::string &t : {text, unpadded}) {
            for (std::size_t capacity : {size - 1, size, size + 5}) {
                std::vector<std::uint8_t> ours(capacity + 8, kUntouched), theirs(capacity + 8, kUntouched);
                auto cap = static_cast<std::uint32_t>(capacity);
                bool ok = decodeBase64(t.c_str(), ours.data(), cap);
                ASSERT_EQ(ok, reference_decode(t.c_str(), theirs.data(), cap)) << size << " into " << capacity;
                ASSERT_EQ(ok, capacity >= size);
                ASSERT_TRUE(ours == theirs) << size << " bytes into " << capacity;
            }
        }
    }
}

TEST(Base64, a_fault_anywhere_in_a_long_text_is_found_where_the_reference_finds_it) {
    std::mt19937 random(7);
    const char faults[] = {'=', '-', '\n', ' ', '\x80', '\0'};
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 120 + 1);
        for (auto &b : bytes) b = static_cast<std::uint8_t>(random());
        std::string text = encoded(bytes);
        text[random() % text.size()] = faults[random() % sizeof faults];
        auto capacity = static_cast<std::uint32_t>(random() % (bytes.size() + 4));
        std::vector<std::uint8_t> ours(capacity + 8, kUntouched), theirs(capacity + 8, kUntouched);
        bool ok = decodeBase64(text.c_str(), ours.data(), capacity);
        ASSERT_EQ(ok, reference_decode(text.c_str(), theirs.data(), capacity)) << text << " into " << capacity;
        ASSERT_TRUE(ours == theirs) << text << " into " << capacity;
    }
}

}  // namespace
