#include "session_endpoint.h"

#include <jansson.h>

#include <cstdint>
#include <new>
#include <string>

#include "code_text.h"
#include "json_dump.h"
#include "ombix_transport_codes.h"
#include "ombix_types.h"

namespace ombixd {
namespace {

// The codes whose meaning the client's code texts name; any other code is
// the board's own.
constexpr std::int32_t kNamedCodes[] = {
    OMBIX_RC_OK,
    OMBIX_RC_NEGATIVE_LENGTH,
    OMBIX_RC_OVER_LIMIT,
    OMBIX_RC_OUTPUTS_VALID,
    OMBIX_RC_VALUE_MISMATCH,
    OMBIX_TRANSPORT_RC_ERROR_OBJECT,
    OMBIX_TRANSPORT_RC_UNKNOWN_CALL,
    OMBIX_TRANSPORT_RC_BAD_MESSAGE,
    OMBIX_TRANSPORT_RC_CONNECT,
    OMBIX_TRANSPORT_RC_TIMEOUT,
    OMBIX_TRANSPORT_RC_HTTP_STATUS,
    OMBIX_TRANSPORT_RC_BAD_HANDLE,
};
// Names no protocol or transport code: its text is the one for the board's codes.
constexpr std::int32_t kBoardCode = 0x7FFF0000;

// The command-line client's text without its " (code)" tail: one set of
// words for a code, whichever client shows it.
std::string meaning(std::int32_t code) {
    std::string text = ombix::cli::code_text(code);
    const std::size_t tail = text.rfind(" (");
    if (tail != std::string::npos) text.resize(tail);
    return text;
}

json_t *build_codes() {
    json_t *codes = json_object();
    for (std::int32_t code : kNamedCodes)
        if (codes == nullptr ||
            json_object_set_new(codes, std::to_string(code).c_str(), json_string(meaning(code).c_str())) != 0) {
            json_decref(codes);
            return nullptr;
        }
    return codes;
}

json_t *build_calls(Privilege caller) {
    json_t *names = json_array();
    for (const ombix::calls::CallDescription *call : ombix::calls::all())
        if (names != nullptr && call->privilege <= caller &&
            json_array_append_new(names, json_string(call->name)) != 0) {
            json_decref(names);
            names = nullptr;
        }
    return names;
}

}  // namespace

Answer describe_session(const Key *key, Privilege caller) noexcept {
    try {
        json_t *session =
            json_pack("{s:s, s:s, s:o*, s:o*, s:s}", "name", key != nullptr ? key->name.c_str() : "anonymous", "role",
                      ombix::calls::privilege_name(caller), "calls", build_calls(caller), "codes", build_codes(),
                      "otherCode", meaning(kBoardCode).c_str());
        Answer answer;
        if (session == nullptr || json_object_size(session) != 5 ||
            !ombix::transport::append_json(session, answer.body)) {
            json_decref(session);
            return error_answer(503, kOutOfMemory);
        }
        json_decref(session);
        answer.header = "Cache-Control: no-store";
        return answer;
    } catch (const std::bad_alloc &) {
        return error_answer(503, kOutOfMemory);
    }
}

}  // namespace ombixd
