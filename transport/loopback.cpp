// The loopback transport: runs every call in this process, through
// ombixExecuteName, but as a real wire would: the request and the answer are
// turned into JSON text and parsed back, so the stubs and the executor never
// share a JSON value.
#include <jansson.h>

#include <cstdlib>

#include "answer.h"
#include "last_error.h"
#include "ombixLocalWrap.h"
#include "ombix_transport.h"
#include "ombix_transport_codes.h"

namespace {

// Text out, value back. Takes over `value`.
json_t *through_text(json_t *value) {
    char *text = json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY);
    json_decref(value);
    if (text == nullptr) return nullptr;
    json_t *parsed = json_loads(text, JSON_DECODE_ANY, nullptr);
    std::free(text);
    return parsed;
}

json_t *fail(std::int32_t *code, const char *why) {
    *code = OMBIX_TRANSPORT_RC_BAD_MESSAGE;
    ombix::transport::set_last_error(why);
    return nullptr;
}

}  // namespace

extern "C" json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params) {
    (void)handle;  // one in-process server serves every handle
    // The request as a server program receives it: the name, and the
    // parameter list or null.
    json_t *request = through_text(json_pack("{s:s, s:o}", "call", name, "params", params ? params : json_null()));
    if (request == nullptr) return fail(code, "request could not be encoded");

    json_t *received = json_object_get(request, "params");
    json_t *answer = ombixExecuteName(json_string_value(json_object_get(request, "call")),
                                      json_is_null(received) ? nullptr : received);
    json_decref(request);
    if (answer == nullptr) return ombix::transport::take_answer(nullptr, code);

    answer = through_text(answer);
    if (answer == nullptr) return fail(code, "answer could not be encoded");
    return ombix::transport::take_answer(answer, code);
}
