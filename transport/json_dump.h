// The compact JSON text of a jansson value, appended to a string: what
// json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY) gives, written by the
// library straight into the caller's string, so that no text of the library's
// own is allocated, copied and released. The HTTP transport writes its
// requests with it, the server program (httpd/) its answers.
#ifndef OMBIX_TRANSPORT_JSON_DUMP_H
#define OMBIX_TRANSPORT_JSON_DUMP_H

#include <jansson.h>

#include <string>

namespace ombix::transport {

// Arrays and objects nested deeper than this are refused: the library writes
// them by recursion without a limit, and a value nested deep enough would
// overflow the stack. No message of the protocol comes near it.
inline constexpr int kMaxJsonNesting = 64;

// Appends the text of `value` to `out`. False, with `out` in an unspecified
// state, for a null value, one nested deeper than kMaxJsonNesting, one that
// holds itself, or out of memory. `value` stays the caller's.
bool append_json(const json_t *value, std::string &out);

}  // namespace ombix::transport

#endif
