// Compact JSON text of a jansson value, for the HTTP transport and server.
// It writes what json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY) writes, up
// to the spelling of reals, without the library's cycle bookkeeping on every
// array and object, which costs more than the rest on small messages. The
// values written here are built by the API modules and hold no cycles.
#ifndef OMBIX_TRANSPORT_JSON_WRITER_H
#define OMBIX_TRANSPORT_JSON_WRITER_H

#include <jansson.h>

#include <string>

namespace ombix::transport {

// Appends the text of `value` to `out`. False, with `out` in an unspecified
// state, for a value nested deeper than 64 levels or out of memory.
bool append_json(const json_t *value, std::string &out);

// Which encoder append_json uses, for every caller in the process: this one,
// or the library's json_dump_callback into `out`. For the benchmark that
// compares the two on the same path.
enum class JsonEncoder { HandWritten, Library };
void use_json_encoder(JsonEncoder encoder);

}  // namespace ombix::transport

#endif
