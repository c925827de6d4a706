/*
 * ombixLocalWrap: the request executor of the remote board API.
 *
 * A server program hands each call that arrives to ombixExecuteName, which
 * checks the parameter list, calls the matching function of the local board
 * hardware API (linked beside this library) and answers with a JSON result.
 */
#ifndef OMBIX_LOCAL_WRAP_H
#define OMBIX_LOCAL_WRAP_H

#include <jansson.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Runs the call `name` ("OmbixGetFanSpeed") with the parameter list `params`.
 *
 * `params` stays the caller's: it is only read, and texts handed to the local
 * API point into it. The answer is a new object holding one reference that
 * the caller releases:
 *   {"ret": code, "outs": [outputs, present only for codes 0 and 16]}, or
 *   {"error": text, "errorMsg": {...}} when the list has the wrong length.
 * Returns NULL for a name that is not one of the 88 call names (matched
 * exactly, case-sensitively), for a NULL name, and when memory runs out
 * while the answer is built. An answer is never returned incomplete. For a
 * known name, NULL therefore means "out of memory", and the local function
 * may already have run; when memory runs out before the local function
 * would run, the answer is {"ret": 12, "outs": []} and it does not run.
 */
json_t *ombixExecuteName(const char *name, json_t *params);

#ifdef __cplusplus
}
#endif

#endif
