#include "exposition_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace ombixd {
namespace {

// The length of the UTF-8 character at `s` (within `n` bytes), 0 when it is not one.
std::size_t utf8_length(const unsigned char *s, std::size_t n) {
    std::size_t length = s[0] < 0x80           ? 1
                         : (s[0] >> 5) == 0x6  ? 2
                         : (s[0] >> 4) == 0xE  ? 3
                         : (s[0] >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || length > n) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((s[k] & 0xC0) != 0x80) return 0;
    return length;
}

void append_number(std::string &out, double value) {
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "+Inf" : "-Inf";
        return;
    }
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
}

}  // namespace

std::string text_of(const char *board_text) {
    std::string text;
    const auto *s = reinterpret_cast<const unsigned char *>(board_text);
    std::size_t n = std::strlen(board_text);
    for (std::size_t k = 0; k < n;) {
        std::size_t length = utf8_length(s + k, n - k);
        if (length == 0) {
            text += '?';
            ++k;
        } else {
            text.append(board_text + k, length);
            k += length;
        }
    }
    return text;
}

void Family::add(const Labels &labels, double value) {
    lines_ += name_;
    if (!labels.empty()) {
        lines_ += '{';
        for (std::size_t k = 0; k < labels.size(); ++k) {
            if (k > 0) lines_ += ',';
            lines_ += labels[k].first;
            lines_ += "=\"";
            for (char c : labels[k].second) {
                if (c == '\\')
                    lines_ += "\\\\";
                else if (c == '"')
                    lines_ += "\\\"";
                else if (c == '\n')
                    lines_ += "\\n";
                else
                    lines_ += c;
            }
            lines_ += '"';
        }
        lines_ += '}';
    }
    lines_ += ' ';
    append_number(lines_, value);
    lines_ += '\n';
}

void Family::append(std::string &out) const {
    if (lines_.empty()) return;
    out += "# HELP ";
    out += name_;
    out += ' ';
    out += help_;
    out += "\n# TYPE ";
    out += name_;
    out += ' ';
    out += type_;
    out += '\n';
    out += lines_;
}

}  // namespace ombixd
