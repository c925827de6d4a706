/*
 * The remote call transport, as the client stubs call it.
 */
#ifndef OMBIX_TRANSPORT_H
#define OMBIX_TRANSPORT_H

#include <jansson.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Carries one call to a server and brings back its outputs.
 *
 * handle:  the stub's first argument, passed on unchanged.
 * name:    the call name, such as "OmbixGetFanSpeed".
 * code:    set on every path: the server's "ret", or a failure code of the
 *          transport's own.
 * params:  the parameter list, or NULL for calls without parameters. The
 *          transport takes over this reference and releases it.
 *
 * Returns the server's "outs" list holding one reference, which the caller
 * owns when *code is OMBIX_RC_OK or OMBIX_RC_OUTPUTS_VALID. With any other
 * code the transport returns NULL (or keeps what it returned).
 */
json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params);

#ifdef __cplusplus
}
#endif

#endif
