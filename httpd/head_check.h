// Checks on the framing of a request head that the HTTP parser lets through
// because the protocol tolerates them, but that a server must not guess
// about: each could make this server and a proxy in front of it see
// different requests in the same bytes.
#ifndef OMBIXD_HEAD_CHECK_H
#define OMBIXD_HEAD_CHECK_H

#include <string_view>

namespace ombixd {

struct HeadVerdict {
    unsigned status = 0;          // 0: the head is acceptable
    const char *error = nullptr;  // the "error" text of the refusal
};

// `head` is the raw head as received, request line to the empty line, already
// accepted by the parser; `version` is 10 or 11. Refuses (400) a folded
// header line, a missing (HTTP/1.1) or repeated Host, a repeated
// Content-Length or one that is not plain digits, and both a Content-Length
// and a Transfer-Encoding; refuses (501) any transfer coding but "chunked".
HeadVerdict check_head(std::string_view head, unsigned version);

}  // namespace ombixd

#endif
