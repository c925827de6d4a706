#include "answer.h"

#include <string>

#include "last_error.h"
#include "ombix_transport_codes.h"
#include "ombix_types.h"

namespace ombix::transport {

json_t *take_answer(json_t *answer, std::int32_t *code) {
    clear_last_error();
    if (answer == nullptr) {
        *code = OMBIX_TRANSPORT_RC_UNKNOWN_CALL;
        set_last_error("unknown call");
        return nullptr;
    }
    json_t *ret = json_object_get(answer, "ret");
    json_t *outs = json_object_get(answer, "outs");
    json_t *result = nullptr;
    if (json_is_integer(ret)) {
        // "ret" travels as a signed 32-bit integer; keep its low 32 bits.
        *code = static_cast<std::int32_t>(static_cast<std::uint32_t>(json_integer_value(ret)));
        if (*code == OMBIX_RC_OK || *code == OMBIX_RC_OUTPUTS_VALID) result = json_incref(outs);
    } else if (json_is_string(json_object_get(answer, "error"))) {
        *code = OMBIX_TRANSPORT_RC_ERROR_OBJECT;
        char *text = json_dumps(answer, JSON_COMPACT);
        set_last_error(text != nullptr ? text : "error object");
        release_text(text);
    } else {
        *code = OMBIX_TRANSPORT_RC_BAD_MESSAGE;
        set_last_error("answer is neither a result nor an error object");
    }
    json_decref(answer);
    return result;
}

void release_text(char *text) {
    if (text == nullptr) return;
    json_malloc_t allocate = nullptr;
    json_free_t release = nullptr;
    json_get_alloc_funcs(&allocate, &release);
    release(text);
}

}  // namespace ombix::transport
