#include "server.h"

#include <jansson.h>
#include <microhttpd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "api_lock.h"
#include "body_check.h"
#include "call_names.h"
#include "json_writer.h"
#include "token.h"

namespace ombixd {

struct Server {
    MHD_Daemon *daemon = nullptr;
    const ServerSettings *settings = nullptr;
};

namespace {

constexpr char kCallPrefix[] = "/call/";
// A body sent without Content-Length that grows past the limit is read to its
// end (to answer 413) only up to this much; beyond it the connection is dropped.
constexpr std::size_t kMaxDiscardBytes = 4 * kMaxBodyBytes;

// What the server knows about a request between the calls libmicrohttpd
// makes for it.
struct Request {
    std::string body;
    std::size_t received = 0;
    bool over_limit = false;
};

// Sends `value` (taken over) as the body.
MHD_Result send_json(MHD_Connection *connection, unsigned status, json_t *value, const char *extra_header = nullptr,
                     const char *extra_value = nullptr) {
    std::string text;
    bool written = value != nullptr && ombix::transport::append_json(value, text);
    json_decref(value);
    if (!written) {
        // Out of memory; try the shortest answer that still tells.
        text = "{\"error\":\"answer could not be built\"}";
        status = MHD_HTTP_INTERNAL_SERVER_ERROR;
    }
    MHD_Response *response =
        MHD_create_response_from_buffer(text.size(), const_cast<char *>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "application/json");
    if (extra_header != nullptr) MHD_add_response_header(response, extra_header, extra_value);
    MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result send_error(MHD_Connection *connection, unsigned status, const char *message,
                      const char *extra_header = nullptr, const char *extra_value = nullptr) {
    return send_json(connection, status, json_pack("{s:s}", "error", message), extra_header, extra_value);
}

MHD_Result list_calls(MHD_Connection *connection) {
    json_t *names = json_array();
    for (std::size_t k = 0; k < kCallCount; ++k) json_array_append_new(names, json_string(kCallNames[k]));
    return send_json(connection, MHD_HTTP_OK, names);
}

MHD_Result run_call(MHD_Connection *connection, const char *name, const Request &request) {
    const std::string &body = request.body;
    if (nesting_depth(body.data(), body.size(), kMaxBodyDepth) > kMaxBodyDepth)
        return send_error(connection, MHD_HTTP_BAD_REQUEST, "body nested deeper than a parameter list");
    json_t *params = nullptr;
    if (body.find_first_not_of(" \t\r\n") != std::string::npos) {
        json_error_t parse_error;
        params = json_loadb(body.data(), body.size(), JSON_DECODE_ANY, &parse_error);
        if (params == nullptr) {
            std::string message = std::string("body is not JSON: ") + parse_error.text;
            return send_error(connection, MHD_HTTP_BAD_REQUEST, message.c_str());
        }
    }
    // JSON null stands for "no parameter list", as an empty body does.
    json_t *answer = execute(name, json_is_null(params) ? nullptr : params);
    json_decref(params);
    if (answer == nullptr) return send_error(connection, MHD_HTTP_NOT_FOUND, "this server does not serve the call");
    unsigned status = json_object_get(answer, "ret") != nullptr ? MHD_HTTP_OK : MHD_HTTP_BAD_REQUEST;
    return send_json(connection, status, answer);
}

bool declared_too_long(MHD_Connection *connection) {
    const char *length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (length == nullptr) return false;
    char *end = nullptr;
    unsigned long long declared = std::strtoull(length, &end, 10);
    return end != length && declared > kMaxBodyBytes;
}

// Everything that can be decided from the request line and the headers.
// Returns true when an answer has been queued (or the connection must drop).
bool refuse_early(const Server &server, MHD_Connection *connection, const char *url, const char *method,
                  MHD_Result &result) {
    const std::string &token = server.settings->token;
    if (!token.empty() &&
        !authorized(MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION), token)) {
        result = send_error(connection, MHD_HTTP_UNAUTHORIZED, "missing or wrong bearer token",
                            MHD_HTTP_HEADER_WWW_AUTHENTICATE, "Bearer");
        return true;
    }
    if (std::strcmp(url, "/calls") == 0) {
        bool get = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0;
        result = get ? list_calls(connection)
                     : send_error(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "use GET", MHD_HTTP_HEADER_ALLOW, "GET");
        return true;
    }
    if (std::strncmp(url, kCallPrefix, sizeof kCallPrefix - 1) != 0) {
        result = send_error(connection, MHD_HTTP_NOT_FOUND, "no such endpoint");
        return true;
    }
    if (std::strcmp(method, MHD_HTTP_METHOD_POST) != 0) {
        result = send_error(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "use POST", MHD_HTTP_HEADER_ALLOW, "POST");
        return true;
    }
    if (!is_call_name(url + sizeof kCallPrefix - 1)) {
        result = send_error(connection, MHD_HTTP_NOT_FOUND, "unknown call");
        return true;
    }
    if (declared_too_long(connection)) {
        result = send_error(connection, MHD_HTTP_CONTENT_TOO_LARGE, "body too large");
        return true;
    }
    return false;
}

MHD_Result answer(void *context, MHD_Connection *connection, const char *url, const char *method,
                  const char * /*version*/, const char *upload_data, std::size_t *upload_data_size, void **state) {
    const Server &server = *static_cast<const Server *>(context);
    auto *request = static_cast<Request *>(*state);
    if (request == nullptr) {
        MHD_Result early = MHD_NO;
        if (refuse_early(server, connection, url, method, early)) return early;
        request = new (std::nothrow) Request;
        if (request == nullptr) return MHD_NO;
        *state = request;
        return MHD_YES;
    }
    if (*upload_data_size != 0) {
        request->received += *upload_data_size;
        if (request->received > kMaxBodyBytes) {
            request->over_limit = true;
            request->body.clear();
            if (request->received > kMaxDiscardBytes) return MHD_NO;
        } else {
            try {
                request->body.append(upload_data, *upload_data_size);
            } catch (const std::bad_alloc &) {
                return MHD_NO;  // out of memory: drop this connection, serve the others
            }
        }
        *upload_data_size = 0;
        return MHD_YES;
    }
    if (request->over_limit) return send_error(connection, MHD_HTTP_CONTENT_TOO_LARGE, "body too large");
    return run_call(connection, url + sizeof kCallPrefix - 1, *request);
}

// libmicrohttpd's own messages (a client that went away, a TLS handshake that
// failed), marked as the server's.
void log_message(void * /*context*/, const char *format, va_list arguments) {
    std::fputs("ombixd: ", stderr);
    std::vfprintf(stderr, format, arguments);
}

void request_done(void * /*context*/, MHD_Connection * /*connection*/, void **state,
                  MHD_RequestTerminationCode /*why*/) {
    delete static_cast<Request *>(*state);
    *state = nullptr;
}

}  // namespace

Server *start_server(const ServerSettings &settings, std::string &error) {
    auto *server = new (std::nothrow) Server;
    if (server == nullptr) {
        error = "out of memory";
        return nullptr;
    }
    server->settings = &settings;
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ERROR_LOG;
    if (settings.address.ipv6) flags |= MHD_USE_IPv6;
    bool tls = !settings.tls_cert_pem.empty();
    if (tls) flags |= MHD_USE_TLS;
    const sockaddr *address = reinterpret_cast<const sockaddr *>(&settings.address.storage);
    auto external_logger = reinterpret_cast<intptr_t>(&log_message);
    auto completed = reinterpret_cast<intptr_t>(&request_done);
    std::vector<MHD_OptionItem> options = {
        {MHD_OPTION_EXTERNAL_LOGGER, external_logger, nullptr},  // first, so that it sees every message
        {MHD_OPTION_SOCK_ADDR, 0, const_cast<sockaddr *>(address)},
        {MHD_OPTION_CONNECTION_TIMEOUT, settings.idle_timeout_s, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, settings.max_connections, nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, completed, nullptr},
    };
    // A pool of one is no pool: the polling thread serves alone.
    if (settings.threads > 1) options.push_back({MHD_OPTION_THREAD_POOL_SIZE, settings.threads, nullptr});
    if (tls) {
        options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char *>(settings.tls_cert_pem.c_str())});
        options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char *>(settings.tls_key_pem.c_str())});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    server->daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &answer, server, MHD_OPTION_ARRAY, options.data(),
                                      MHD_OPTION_END);
    if (server->daemon == nullptr) {
        error = "cannot listen on " + settings.address.host + (tls ? " (or the TLS certificate or key is unusable)" : "");
        delete server;
        return nullptr;
    }
    return server;
}

unsigned short server_port(const Server *server) {
    const MHD_DaemonInfo *info = MHD_get_daemon_info(server->daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

void stop_server(Server *server) {
    if (server == nullptr) return;
    MHD_stop_daemon(server->daemon);
    delete server;
}

}  // namespace ombixd
