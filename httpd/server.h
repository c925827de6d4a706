// The HTTP front of the request executor: connections, their limits and
// deadlines, and TLS, on a pool of threads. What each request is answered is
// decided in conversation.h and request_handler.h.
#ifndef OMBIXD_SERVER_H
#define OMBIXD_SERVER_H

#include <string>

#include "keyring.h"
#include "listen_address.h"
#include "request_handler.h"

namespace ombixd {

struct ServerSettings {
    ListenAddress address;
    Keys keys;                 // an empty keyring: no authentication; replaced on reload
    std::string tls_cert_pem;  // both empty: plain HTTP
    std::string tls_key_pem;
    std::string tls_client_ca_pem;  // empty: client certificates are not asked for
    unsigned threads = 4;
    unsigned idle_timeout_s = 10;     // a connection silent this long between requests is closed
    unsigned request_timeout_s = 10;  // a request must arrive whole within this, however it trickles
    unsigned max_connections = 256;
    unsigned max_connections_per_address = 32;
};

struct Server;

// Starts serving; null with a message in `error` on failure. The settings
// must outlive the server.
Server *start_server(const ServerSettings &settings, std::string &error);
// The port actually bound (useful after port 0).
unsigned short server_port(const Server *server);
// Stops accepting, finishes the requests in progress and frees everything.
void stop_server(Server *server);

}  // namespace ombixd

#endif
