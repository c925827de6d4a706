#include "options.h"

#include <cstdlib>
#include <cstring>

namespace ombixd {

const char kUsage[] =
    "usage: ombixd [--config FILE] [--listen ADDR:PORT] [--token-store FILE] [--token-file FILE]\n"
    "              [--tls-cert PEM --tls-key PEM [--tls-client-ca PEM]]\n"
    "              [--threads N] [--idle-timeout SECONDS] [--request-timeout SECONDS]\n"
    "              [--max-connections N] [--max-connections-per-address N]\n"
    "              [--board sim|linux|LIBRARY] [--board-config FILE]\n"
    "              [--metrics-token-file FILE|none] [--metrics-deadline SECONDS]\n"
    "              [--audit journal|none|FILE]\n"
    "Serves the board API over HTTP: POST /call/<call name> with the parameter list\n"
    "as the body, GET /calls for the call names. Listens on 127.0.0.1:8711 by default;\n"
    "port 0 picks a free port. The address served is printed on standard output.\n"
    "--config: a file of \"option = value\" lines (option names without --), which\n"
    "the other options override; SIGHUP does not stop the server.\n"
    "--board: the simulated board (default), the Linux board, or a shared library\n"
    "exporting the 88 board functions; --board-config: the board file it is given.\n"
    "GET /metrics serves Prometheus metrics, with the calls' token unless\n"
    "--metrics-token-file names its own (none: no token); GET /openapi.json the API's description.\n"
    "--token-store: named tokens with roles (ombixd token add|list|revoke edits it);\n"
    "--token-file: one admin token. SIGHUP reads both again.\n"
    "--audit: where calls that change the board are recorded: the journal (the default\n"
    "when systemd started ombixd), none, or a JSON-lines file (/var/log/ombix/audit.jsonl\n"
    "by default otherwise), opened again on SIGHUP.\n"
    "--tls-client-ca: client certificates from this authority need no token; their\n"
    "subject's role is in the store (ombixd token add-cert|revoke-cert).\n"
    "       ombixd token add NAME --role reader|operator|admin | list | revoke NAME [--token-store FILE]\n"
    "       ombixd token add-cert SUBJECT --role ROLE | revoke-cert SUBJECT [--token-store FILE]\n";

namespace {

bool parse_seconds(const char *text, double &value) {
    char *end = nullptr;
    double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(parsed >= 0.001 && parsed <= 3600)) return false;
    value = parsed;
    return true;
}

bool parse_count(const char *text, unsigned low, unsigned high, unsigned &value) {
    char *end = nullptr;
    unsigned long parsed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

}  // namespace

bool parse_options(int argc, char **argv, Options &options, std::string &error) {
    for (int k = 1; k < argc; ++k) {
        std::string option = argv[k];
        if (option == "--help" || option == "-h") {
            options.help = true;
            return true;
        }
        if (k + 1 >= argc) {
            error = option.rfind("--", 0) == 0 ? option + " needs a value" : "unknown argument " + option;
            return false;
        }
        const char *value = argv[++k];
        bool ok = true;
        if (option == "--listen")
            options.listen = value;
        else if (option == "--token-file")
            options.token_file = value;
        else if (option == "--token-store")
            options.token_store = value;
        else if (option == "--tls-cert")
            options.tls_cert = value;
        else if (option == "--tls-key")
            options.tls_key = value;
        else if (option == "--tls-client-ca")
            options.tls_client_ca = value;
        else if (option == "--board")
            options.board = value;
        else if (option == "--board-config")
            options.board_config = value;
        else if (option == "--metrics-token-file")
            options.metrics_token_file = value;
        else if (option == "--audit")
            options.audit = value;
        else if (option == "--metrics-deadline")
            ok = parse_seconds(value, options.metrics_deadline_s);
        else if (option == "--threads")
            ok = parse_count(value, 1, 64, options.threads);
        else if (option == "--idle-timeout")
            ok = parse_count(value, 1, 3600, options.idle_timeout_s);
        else if (option == "--request-timeout")
            ok = parse_count(value, 1, 3600, options.request_timeout_s);
        else if (option == "--max-connections")
            ok = parse_count(value, 1, 100000, options.max_connections);
        else if (option == "--max-connections-per-address")
            ok = parse_count(value, 1, 100000, options.max_connections_per_address);
        else {
            error = "unknown option " + option;
            return false;
        }
        if (!ok) {
            error = "bad value for " + option + ": " + value;
            return false;
        }
    }
    if (options.tls_cert.empty() != options.tls_key.empty()) {
        error = "--tls-cert and --tls-key go together";
        return false;
    }
    if (options.audit.empty()) {
        error = "--audit needs journal, none or a file";
        return false;
    }
    // A certificate's role comes from its subject's line in the store.
    if (!options.tls_client_ca.empty() && (options.tls_cert.empty() || options.token_store.empty())) {
        error = "--tls-client-ca needs --tls-cert, --tls-key and --token-store";
        return false;
    }
    if (options.board.empty()) {
        error = "--board needs sim, linux or a library path";
        return false;
    }
    return true;
}

}  // namespace ombixd
