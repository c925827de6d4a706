/*
 * The local board hardware API, as the server module calls it.
 *
 * Every function takes a 32-bit handle first and returns a 32-bit code. After
 * OMBIX_RC_OK or OMBIX_RC_OUTPUTS_VALID every output has been set; after any
 * other code no output is read. Outputs point to storage owned by the caller
 * that lives only for the call. List functions receive a zero-filled array of
 * `count` records (0 to 512) and fill up to `count` of them.
 */
#ifndef OMBIX_API_H
#define OMBIX_API_H

#include "ombix_records.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OMBIX_CALL(name, arguments) int32_t Ombix##name arguments;
#include "ombix_calls.h"
#undef OMBIX_CALL

#ifdef __cplusplus
}
#endif

#endif
