// The loopback transport: runs every call in this process, through
// ombixExecuteName, but as a real wire would: the request and the answer
// cross as copies of their own, so the stubs and the executor never share a
// JSON value.
//
// The copies are deep copies, not JSON text parsed back: jansson's parser
// drops characters (and can write past its own buffer) when an allocation
// fails in the middle of a long string or number, while a deep copy fails
// whole. Every value jansson holds can be written as JSON text, so nothing
// that could cross a wire is lost by skipping the text.
#include <jansson.h>

#include <cstring>

#include "answer.h"
#include "last_error.h"
#include "ombixLocalWrap.h"
#include "ombix_transport.h"
#include "ombix_transport_codes.h"

namespace {

// The other side's own copy of `value`, or null when memory ran out. Takes
// over `value`.
json_t *carried(json_t *value) {
    json_t *copy = json_deep_copy(value);
    json_decref(value);
    return copy;
}

json_t *fail(std::int32_t *code, std::int32_t failure, const char *why) {
    *code = failure;
    ombix::transport::set_last_error(why);
    return nullptr;
}

// The 88 call names, as the executor knows them.
constexpr const char *kCallNames[] = {
#define OMBIX_CALL(name, arguments) "Ombix" #name,
#include "ombix_calls.h"
#undef OMBIX_CALL
};

bool is_call_name(const char *name) {
    for (const char *call : kCallNames) {
        if (std::strcmp(call, name) == 0) return true;
    }
    return false;
}

}  // namespace

extern "C" json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params) {
    (void)handle;  // one in-process server serves every handle
    // The request as a server program receives it: the name, and the
    // parameter list or null.
    json_t *request = carried(json_pack("{s:s, s:o}", "call", name, "params", params ? params : json_null()));
    if (request == nullptr) return fail(code, OMBIX_TRANSPORT_RC_BAD_MESSAGE, "request could not be carried");

    const char *call = json_string_value(json_object_get(request, "call"));
    json_t *received = json_object_get(request, "params");
    json_t *answer = ombixExecuteName(call, json_is_null(received) ? nullptr : received);
    // No answer for a name the executor knows: it ran out of memory.
    const bool known = call != nullptr && is_call_name(call);
    json_decref(request);
    if (answer == nullptr && known) return fail(code, OMBIX_TRANSPORT_RC_OUT_OF_MEMORY, "out of memory");
    if (answer == nullptr) return ombix::transport::take_answer(nullptr, code);

    answer = carried(answer);
    if (answer == nullptr) return fail(code, OMBIX_TRANSPORT_RC_BAD_MESSAGE, "answer could not be carried");
    return ombix::transport::take_answer(answer, code);
}
