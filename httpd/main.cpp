// ombixd: serves the local board API over HTTP until SIGINT or SIGTERM, and
// reads its tokens again on SIGHUP; `ombixd token ...` edits the token store.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <pthread.h>
#include <sys/resource.h>
#include <systemd/sd-daemon.h>

#include "api_lock.h"
#include "audit_sinks.h"
#include "board_loader.h"
#include "config_file.h"
#include "listen_address.h"
#include "local_api_setup.h"
#include "metrics_endpoint.h"
#include "options.h"
#include "server.h"
#include "token.h"
#include "token_command.h"
#include "token_store.h"

namespace {

bool read_file(const std::string &path, std::string &content) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    content = text.str();
    return !content.empty();
}

// Every connection holds a descriptor: the soft limit (often 1024) would cap
// --max-connections below what the hard limit allows.
void raise_descriptor_limit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The keys of --token-file and --token-store; false with a message in `error`.
bool read_keys(const ombixd::Options &options, ombixd::Keyring &ring, std::string &error) {
    if (!options.token_file.empty()) {
        const std::string token = ombixd::read_token_file(options.token_file.c_str());
        if (token.empty()) {
            error = "no token in " + options.token_file;
            return false;
        }
        ring = ombixd::single_token("token-file", token);
    }
    if (!options.token_store.empty()) {
        if (!ombixd::load_token_store(options.token_store, ring, error)) return false;
        // A store left empty (a fresh install, or every token revoked) keeps
        // the server closed: every request is refused until one is added.
        if (ring.keys().empty())
            std::fprintf(stderr,
                         "ombixd: the token store %s holds no token or subject: every request is refused (401)\n",
                         options.token_store.c_str());
    }
    return true;
}

int fail(const std::string &message) {
    std::fprintf(stderr, "ombixd: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::string(argv[1]) == "token") return ombixd::run_token_command(argc - 2, argv + 2);
    ombixd::Options options;
    std::string error;
    std::vector<std::string> arguments;
    if (!ombixd::gather_arguments(argc, argv, arguments, error)) return fail(error);
    std::vector<char *> argument_pointers{argv[0]};
    for (std::string &argument : arguments) argument_pointers.push_back(&argument[0]);
    argument_pointers.push_back(nullptr);
    if (!ombixd::parse_options(static_cast<int>(arguments.size() + 1), argument_pointers.data(), options, error)) {
        std::fprintf(stderr, "ombixd: %s\n%s", error.c_str(), ombixd::kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(ombixd::kUsage, stdout);
        return 0;
    }

    ombixd::ServerSettings settings;
    if (!ombixd::parse_listen_address(options.listen, settings.address, error)) return fail(error);
    ombixd::Keyring keys;
    if (!read_keys(options, keys, error)) return fail(error);
    settings.keys.replace(std::move(keys));
    if (!options.tls_cert.empty()) {
        if (!read_file(options.tls_cert, settings.tls_cert_pem)) return fail("cannot read " + options.tls_cert);
        if (!read_file(options.tls_key, settings.tls_key_pem)) return fail("cannot read " + options.tls_key);
        if (!options.tls_client_ca.empty() && !read_file(options.tls_client_ca, settings.tls_client_ca_pem))
            return fail("cannot read " + options.tls_client_ca);
    }
    ombixd::MetricsSettings metrics;
    metrics.deadline_s = options.metrics_deadline_s;
    if (options.metrics_token_file == "none") {
        metrics.access = ombixd::MetricsSettings::Access::Open;
    } else if (!options.metrics_token_file.empty()) {
        metrics.access = ombixd::MetricsSettings::Access::OwnToken;
        metrics.token = ombixd::read_token_file(options.metrics_token_file.c_str());
        if (metrics.token.empty()) return fail("no token in " + options.metrics_token_file);
    }
    ombixd::use_metrics_settings(metrics);
    settings.threads = options.threads;
    settings.idle_timeout_s = options.idle_timeout_s;
    settings.request_timeout_s = options.request_timeout_s;
    settings.max_connections = options.max_connections;
    settings.max_connections_per_address = options.max_connections_per_address;
    raise_descriptor_limit();

    // The server's threads inherit this mask, so the signals reach only the
    // sigwait below and the shutdown runs here, outside any handler.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<ombixd::AuditSink> audit_sink;
    std::string audit_warning;
    if (!ombixd::choose_audit_sink(options.audit, audit_sink, error, audit_warning)) return fail(error);
    if (!audit_warning.empty())
        std::fprintf(stderr, "ombixd: %s; calls that change the board are not recorded until it can be (--audit)\n",
                     audit_warning.c_str());
    ombixd::start_audit(std::move(audit_sink));

    ombixd::LocalApi api{};
    if (!ombixd::load_board(options.board, options.board_config, api, error)) return fail(error);
    ombixd::use_local_api(api);
    if (options.board == "sim") ombixd::prepare_local_api();
    ombixd::Server *server = ombixd::start_server(settings, error);
    if (server == nullptr) return fail(error);
    const bool tls = !settings.tls_cert_pem.empty();
    const std::string host = settings.address.ipv6 ? "[" + settings.address.host + "]" : settings.address.host;
    std::printf("ombixd: listening on %s://%s:%u (%s calls)\n", tls ? "https" : "http", host.c_str(),
                ombixd::server_port(server), ombixd::local_api_is_thread_safe() ? "concurrent" : "serialized");
    std::fflush(stdout);
    // Under a unit of Type=notify the service counts as started only now,
    // once it serves; elsewhere (no NOTIFY_SOCKET) this does nothing.
    sd_notify(0, "READY=1");

    // The unit's reload sends SIGHUP, which would otherwise end the process.
    int received = 0;
    for (;;) {
        if (sigwait(&stop_signals, &received) != 0 || received != SIGHUP) break;
        // Connections and requests under way go on; each request from now on
        // is judged by the new keys. Keys that cannot be read leave the old.
        sd_notify(0, "RELOADING=1");
        ombixd::Keyring reloaded;
        if (read_keys(options, reloaded, error)) {
            const std::size_t count = reloaded.keys().size();
            settings.keys.replace(std::move(reloaded));
            std::printf("ombixd: tokens reloaded (%zu)\n", count);
            std::fflush(stdout);
        } else {
            std::fprintf(stderr, "ombixd: reload failed, the tokens in force stay: %s\n", error.c_str());
        }
        // A rotated audit file is let go for a new one under its name.
        if (!ombixd::reopen_audit(error)) std::fprintf(stderr, "ombixd: audit file not reopened: %s\n", error.c_str());
        sd_notify(0, "READY=1");
    }
    sd_notify(0, "STOPPING=1");
    ombixd::stop_server(server);
    ombixd::stop_audit();  // every record of the calls answered is written
    std::printf("ombixd: stopped (signal %d)\n", received);
    return 0;
}
