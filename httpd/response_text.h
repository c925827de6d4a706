// The bytes of an HTTP answer.
#ifndef OMBIXD_RESPONSE_TEXT_H
#define OMBIXD_RESPONSE_TEXT_H

#include <string>

#include "request_handler.h"

namespace ombixd {

enum class Persistence { Close, KeepAlive, KeepAliveHttp10 };

// Status line, Content-Type (the answer's), Content-Length, the answer's
// extra header, the Connection header that `persistence` calls for, and the
// body. Appends to `out`; throws std::bad_alloc like any string.
void append_response(const Answer &answer, Persistence persistence, std::string &out);

}  // namespace ombixd

#endif
