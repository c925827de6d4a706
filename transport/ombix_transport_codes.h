/*
 * Failure codes of the transports shipped with the project, and the text of
 * the last failure.
 *
 * A transport stores one of these in the stub's code when a call does not
 * come back as a result object. They never collide with the codes of the
 * protocol (0, 1, 12, 16, 65543); stubs return them to the caller unchanged.
 */
#ifndef OMBIX_TRANSPORT_CODES_H
#define OMBIX_TRANSPORT_CODES_H

#ifdef __cplusplus
extern "C" {
#endif

/* The server answered with an error object (a parameter list of the wrong
 * length); OmbixTransportLastError() holds the object as JSON text. */
#define OMBIX_TRANSPORT_RC_ERROR_OBJECT 0x20001
/* The server does not know the call name. */
#define OMBIX_TRANSPORT_RC_UNKNOWN_CALL 0x20002
/* The request or the answer could not be encoded, sent or decoded, or the
 * answer is neither a result object nor an error object. */
#define OMBIX_TRANSPORT_RC_BAD_MESSAGE 0x20003
/* The connection could not be made or broke (HTTP transport). */
#define OMBIX_TRANSPORT_RC_CONNECT 0x20004
/* The server did not answer in time (HTTP transport). */
#define OMBIX_TRANSPORT_RC_TIMEOUT 0x20005
/* The server answered with an HTTP status the protocol does not use (HTTP transport). */
#define OMBIX_TRANSPORT_RC_HTTP_STATUS 0x20006
/* The handle names no open connection (HTTP transport). */
#define OMBIX_TRANSPORT_RC_BAD_HANDLE 0x20007
/* The server could not obtain the memory to run the call or to build its
 * answer. The call may or may not have reached the local API; no output of it
 * is delivered. */
#define OMBIX_TRANSPORT_RC_OUT_OF_MEMORY 0x20008

/*
 * The text of the last failure of a call made on this thread: the server's
 * error object as JSON text, or a description of the transport's failure.
 * Empty after a call that succeeded. The text belongs to the transport and
 * stays valid until the next call on this thread.
 */
const char *OmbixTransportLastError(void);

#ifdef __cplusplus
}
#endif

#endif
