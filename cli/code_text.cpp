#include "code_text.h"

#include <cstdio>

#include "ombix_http_transport.h"
#include "ombix_types.h"

namespace ombix::cli {

std::string code_text(std::int32_t code) {
    const char *meaning = nullptr;
    switch (code) {
        case OMBIX_RC_OK: meaning = "success"; break;
        case OMBIX_RC_OUTPUTS_VALID: meaning = "success, outputs valid"; break;
        case OMBIX_RC_NEGATIVE_LENGTH: meaning = "negative byte count refused by the server"; break;
        case OMBIX_RC_OVER_LIMIT: meaning = "count over the limit refused by the server"; break;
        case OMBIX_RC_VALUE_MISMATCH: meaning = "parameters or answer did not match the call"; break;
        case OMBIX_TRANSPORT_RC_ERROR_OBJECT: meaning = "the server refused the parameter list"; break;
        case OMBIX_TRANSPORT_RC_UNKNOWN_CALL: meaning = "the server does not serve this call"; break;
        case OMBIX_TRANSPORT_RC_BAD_MESSAGE: meaning = "the request or the answer could not be read"; break;
        case OMBIX_TRANSPORT_RC_CONNECT: meaning = "cannot reach the server"; break;
        case OMBIX_TRANSPORT_RC_TIMEOUT: meaning = "the server did not answer in time"; break;
        case OMBIX_TRANSPORT_RC_HTTP_STATUS: meaning = "the server refused the request"; break;
        case OMBIX_TRANSPORT_RC_BAD_HANDLE: meaning = "no open connection"; break;
        default: meaning = "the board API reported a failure"; break;
    }
    char number[32];
    std::snprintf(number, sizeof number, code >= 0x20000 ? "0x%X" : "%d", static_cast<unsigned>(code));
    if (code < 0) std::snprintf(number, sizeof number, "%d", code);
    return std::string(meaning) + " (" + number + ")";
}

}  // namespace ombix::cli
