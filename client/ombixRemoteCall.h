/*
 * ombixRemoteCall: the board hardware API, called on another process or
 * machine through a transport.
 *
 * Every stub OmbixR_<name> has the arguments of the local function Ombix<name>
 * with a transport handle first, and returns the 32-bit code of the call:
 *   OMBIX_RC_OK or OMBIX_RC_OUTPUTS_VALID: every output has been stored;
 *   OMBIX_RC_VALUE_MISMATCH: the answer did not match the call; outputs that
 *       failed hold 0, good ones their value (records: see each field);
 *   any other code: the server's, the local API's or the transport's failure;
 *       nothing of the caller's has been touched.
 * The caller owns every record and buffer it passes; stubs keep no reference.
 * The transport function OmbixExecuteRemoteCall (ombix_transport.h) is linked
 * beside this library.
 */
#ifndef OMBIX_REMOTE_CALL_H
#define OMBIX_REMOTE_CALL_H

#include "ombix_records.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OMBIX_CALL(name, arguments) int32_t OmbixR_##name arguments;
#include "ombix_calls.h"
#undef OMBIX_CALL

/* Marker of the client library; does nothing. */
void OMBIX_client(void);

#ifdef __cplusplus
}
#endif

#endif
