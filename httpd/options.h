// The command line of ombixd.
#ifndef OMBIXD_OPTIONS_H
#define OMBIXD_OPTIONS_H

#include <string>

namespace ombixd {

struct Options {
    std::string listen = "127.0.0.1:8711";
    std::string token_file;   // one admin token, named "token-file"
    std::string token_store;  // named tokens with roles (token_store.h)
    std::string tls_cert;
    std::string tls_key;
    std::string tls_client_ca;  // client certificates from this authority identify callers
    unsigned threads = 4;
    unsigned idle_timeout_s = 10;     // a connection silent this long between requests is closed
    unsigned request_timeout_s = 10;  // a request must arrive whole within this
    unsigned max_connections = 256;
    unsigned max_connections_per_address = 32;
    std::string board = "sim";       // sim, linux, or the path of a board library
    std::string board_config;        // a board file for the board's configuration entry
    std::string metrics_token_file;  // "none": /metrics open; empty: the calls' token
    double metrics_deadline_s = 5;   // board reads of one scrape stop after this
    std::string audit = "auto";      // journal, none, a file, or auto (audit_sinks.h)
    bool help = false;
};

extern const char kUsage[];

// Fills `options` from the arguments; false with a message in `error` when
// they are not usable.
bool parse_options(int argc, char **argv, Options &options, std::string &error);

}  // namespace ombixd

#endif
