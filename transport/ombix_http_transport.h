/*
 * The HTTP transport: OmbixExecuteRemoteCall over HTTP (or HTTPS) to an
 * ombixd server. Link ombix_transport_http beside ombixRemoteCall.
 *
 * A connection is opened once and named by a handle, the first argument of
 * every OmbixR_ stub. Each call is one request, POST <url>/call/<call name>,
 * whose body is the parameter list as JSON text; the handle keeps its
 * connection alive between calls. Calls on one handle are serialized; calls on
 * different handles run in parallel.
 *
 * Every call runs at most once on the server: each request carries an
 * Ombix-Request-Id header, "<client>-<sequence>" (16 hexadecimal digits each,
 * a random client id per handle and a number that grows with each call), and
 * the server answers a request it has already run, such as one that libcurl
 * sends again after a kept-alive connection broke, from its memory of answers.
 *
 * Failure codes (ombix_transport_codes.h), stored in the stub's code:
 *   OMBIX_TRANSPORT_RC_ERROR_OBJECT  the server answered a wrong-length list
 *                                    with an error object (HTTP 400);
 *   OMBIX_TRANSPORT_RC_UNKNOWN_CALL  the server does not serve the call (404);
 *   OMBIX_TRANSPORT_RC_BAD_MESSAGE   the request could not be encoded, or the
 *                                    answer is not a result object;
 *   OMBIX_TRANSPORT_RC_CONNECT       no connection, or it broke (TLS included);
 *   OMBIX_TRANSPORT_RC_TIMEOUT       no complete answer within the timeout;
 *   OMBIX_TRANSPORT_RC_HTTP_STATUS   any other HTTP status (401, 413, 400
 *                                    without an error object, 5xx...);
 *   OMBIX_TRANSPORT_RC_BAD_HANDLE    the handle names no open connection;
 *   OMBIX_TRANSPORT_RC_OUT_OF_MEMORY the server could not run the call or
 *                                    build its answer (HTTP 503 "out of
 *                                    memory"; the call may have reached the
 *                                    local API), or the transport itself ran
 *                                    out of memory (then OmbixHttpOpen too).
 * OmbixTransportLastError() then holds the server's error object or a
 * description of the failure.
 */
#ifndef OMBIX_HTTP_TRANSPORT_H
#define OMBIX_HTTP_TRANSPORT_H

#include <stdint.h>

#include "ombix_transport_codes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* At most this many connections are open at a time. */
#define OMBIX_HTTP_MAX_CONNECTIONS 64

typedef struct OMBIX_HTTP_OPTIONS {
    /* Server base URL, "http://127.0.0.1:8711" or "https://host:port". */
    const char *url;
    /* Bearer token sent with every call, or NULL. */
    const char *token;
    /* Limit of one whole call in milliseconds; 0 means 30000. */
    int32_t timeoutMs;
    /* PEM file of the certificate authority (or self-signed certificate) that
     * an https server must be signed by, or NULL for the system's store. */
    const char *caFile;
} OMBIX_HTTP_OPTIONS;

/*
 * Opens a connection to a server and stores its handle in *handle (never 0).
 * Nothing is sent yet: a server that is down shows up at the first call.
 * Returns 0, OMBIX_TRANSPORT_RC_BAD_MESSAGE for a missing or unusable URL,
 * OMBIX_TRANSPORT_RC_BAD_HANDLE when all connections are in use, or
 * OMBIX_TRANSPORT_RC_OUT_OF_MEMORY.
 */
int32_t OmbixHttpOpen(const OMBIX_HTTP_OPTIONS *options, int32_t *handle);

/*
 * Makes the connection of `handle` show a client certificate to an https
 * server that asks for one (mutual TLS): `certFile` is a PEM file of the
 * certificate (its chain may follow), `keyFile` a PEM file of its private
 * key, or NULL when `certFile` holds the key too. Both paths are copied;
 * the files are read when a TLS connection is made, so a file that cannot
 * be read or a key that does not fit shows up at the first call as
 * OMBIX_TRANSPORT_RC_CONNECT. Call it before the first call; NULL for
 * `certFile` shows none again. Returns 0, OMBIX_TRANSPORT_RC_BAD_HANDLE,
 * or OMBIX_TRANSPORT_RC_OUT_OF_MEMORY.
 */
int32_t OmbixHttpSetClientCertificate(int32_t handle, const char *certFile, const char *keyFile);

/* Closes a connection; a call still running on it finishes first. Returns 0,
 * or OMBIX_TRANSPORT_RC_BAD_HANDLE if the handle was not open. */
int32_t OmbixHttpClose(int32_t handle);

#ifdef __cplusplus
}
#endif

#endif
