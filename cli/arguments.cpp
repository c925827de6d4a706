#include "arguments.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace ombix::cli {

bool parse_arguments(const std::vector<std::string> &words, Arguments &arguments, std::string &error) {
    for (const std::string &word : words) {
        std::size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = "arguments are name=value, got \"" + word + "\"";
            return false;
        }
        if (!arguments.emplace(word.substr(0, equals), word.substr(equals + 1)).second) {
            error = "argument " + word.substr(0, equals) + " given twice";
            return false;
        }
    }
    return true;
}

bool parse_integer(const std::string &text, long long &value) {
    if (text.empty()) return false;
    char *end = nullptr;
    errno = 0;
    if (text[0] == '-') {
        value = std::strtoll(text.c_str(), &end, 0);
    } else {
        // Unsigned 32-bit values such as 0xFFFFFFFF and 64-bit texts both fit.
        value = static_cast<long long>(std::strtoull(text.c_str(), &end, 0));
    }
    return errno == 0 && end != nullptr && *end == '\0';
}

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool read_file(const std::string &path, std::vector<unsigned char> &bytes, std::string &error) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read " + path;
        return false;
    }
    unsigned char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) error = "cannot read " + path;
    return !failed;
}

}  // namespace

bool parse_bytes(const std::string &text, std::vector<unsigned char> &bytes, std::string &error) {
    bytes.clear();
    if (!text.empty() && text[0] == '@') return read_file(text.substr(1), bytes, error);
    std::size_t start = text.rfind("0x", 0) == 0 ? 2 : 0;
    int high = -1;
    for (std::size_t k = start; k < text.size(); ++k) {
        if (text[k] == ' ' || text[k] == ':') continue;
        int digit = hex_digit(text[k]);
        if (digit < 0) {
            error = "not hex: " + text;
            return false;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<unsigned char>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) {
        error = "odd number of hex digits: " + text;
        return false;
    }
    return true;
}

std::string to_hex(const unsigned char *bytes, std::size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t k = 0; k < count; ++k) {
        text += digits[bytes[k] >> 4];
        text += digits[bytes[k] & 15];
    }
    return text;
}

}  // namespace ombix::cli
