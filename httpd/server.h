// The HTTP front of the request executor, on libmicrohttpd's thread pool.
//
//   POST /call/<call name>  body: the parameter list (empty for none)
//       200 result object | 400 error object | 404 unknown call
//   GET /calls              200 ["OmbixGetBacklightValue", ...] (all 88)
// Refusals carry {"error": text}: 400 body not JSON or nested too deeply,
// 401 token missing or wrong, 404 no such endpoint, 405 wrong method,
// 413 body over kMaxBodyBytes.
#ifndef OMBIXD_SERVER_H
#define OMBIXD_SERVER_H

#include <cstddef>
#include <string>

#include "listen_address.h"

namespace ombixd {

// The largest legitimate body, a 262144-byte transfer in base64 (349528
// characters) with its other parameters, fits well within this.
inline constexpr std::size_t kMaxBodyBytes = 512 * 1024;

struct ServerSettings {
    ListenAddress address;
    std::string token;  // empty: no authentication
    std::string tls_cert_pem;  // both empty: plain HTTP
    std::string tls_key_pem;
    unsigned threads = 4;
    unsigned idle_timeout_s = 10;
    unsigned max_connections = 256;
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
