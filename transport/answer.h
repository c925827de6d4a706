// Turning a server's answer into the code and output list a stub expects;
// shared by the transports.
#ifndef OMBIX_TRANSPORT_ANSWER_H
#define OMBIX_TRANSPORT_ANSWER_H

#include <jansson.h>

#include <cstdint>

namespace ombix::transport {

// Takes over `answer` (a result object, an error object, or null for an
// unknown call) and returns "outs" with one reference when "ret" is 0 or 16,
// otherwise null. Stores the code in *code on every path.
json_t *take_answer(json_t *answer, std::int32_t *code);

// Releases a text of json_dumps with jansson's own release function, which a
// program that installs its own allocator for JSON values has replaced.
void release_text(char *text);

}  // namespace ombix::transport

#endif
