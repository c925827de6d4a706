/* The public headers compile as strict C99. */
#include "ombixLocalWrap.h"
#include "ombixRemoteCall.h"
#include "ombix_api.h"
#include "ombix_transport.h"
#include "ombix_transport_codes.h"

int ombix_headers_compile_as_c99(void) {
    return OMBIX_RC_OK;
}
