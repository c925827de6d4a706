#include "head_check.h"

#include <strings.h>

#include <algorithm>
#include <string>

namespace ombixd {
namespace {

bool named(std::string_view name, const char *expected) {
    std::size_t length = std::char_traits<char>::length(expected);
    return name.size() == length && strncasecmp(name.data(), expected, length) == 0;
}

// 1 to 19 digits and nothing else: anything wider could overflow a reader.
bool plain_length(std::string_view value) {
    if (value.empty() || value.size() > 19) return false;
    for (char c : value)
        if (c < '0' || c > '9') return false;
    return true;
}

HeadVerdict bad(const char *error) {
    return {400, error};
}

}  // namespace

HeadVerdict check_head(std::string_view head, unsigned version) {
    std::size_t hosts = 0, lengths = 0, codings = 0;
    bool plain_lengths = true, chunked_only = true;
    std::size_t line_end = head.find("\r\n");
    while (line_end != std::string_view::npos) {
        std::size_t start = line_end + 2;
        line_end = head.find("\r\n", start);
        if (line_end == std::string_view::npos || line_end == start) break;
        std::string_view line = head.substr(start, line_end - start);
        if (line.front() == ' ' || line.front() == '\t') return bad("folded header line");
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return bad("malformed header line");
        std::string_view name = line.substr(0, colon);
        std::string_view value = line.substr(colon + 1);
        value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
        if (named(name, "Host")) {
            ++hosts;
        } else if (named(name, "Content-Length")) {
            ++lengths;
            plain_lengths = plain_lengths && plain_length(value);
        } else if (named(name, "Transfer-Encoding")) {
            ++codings;
            chunked_only = chunked_only && named(value, "chunked");
        }
    }
    if (hosts > 1 || (hosts == 0 && version >= 11)) return bad("missing or repeated Host");
    if (lengths > 1 || !plain_lengths) return bad("bad Content-Length");
    if (lengths > 0 && codings > 0) return bad("both Content-Length and Transfer-Encoding");
    if (codings > 1 || !chunked_only) return {501, "unsupported transfer coding"};
    return {};
}

}  // namespace ombixd
