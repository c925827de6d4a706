// OmbixExecuteRemoteCall over HTTP with libcurl: one easy handle per open
// connection, so that libcurl keeps the TCP (and TLS) connection alive from
// one call to the next.
//
// libcurl sends a request again, on a new connection, when a kept-alive
// connection breaks before any answer arrives, and the server may have
// received and run the call the first time. So every call carries an
// Ombix-Request-Id of its own, "<client>-<sequence>": a random client id per
// handle and a number that grows with each call. ombixd answers a repeated
// id from its memory of recent answers, without running the call again.
#include <curl/curl.h>
#include <jansson.h>
#include <sys/random.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <random>
#include <string>

#include "answer.h"
#include "json_dump.h"
#include "last_error.h"
#include "ombix_http_transport.h"
#include "ombix_transport.h"
#include "ombix_types.h"

namespace {

constexpr std::int32_t kDefaultTimeoutMs = 30000;
// Far above the largest legitimate answer (512 records with all their texts);
// a server that sends more is not one of ours.
constexpr std::size_t kMaxAnswerBytes = 16u * 1024u * 1024u;
constexpr std::uint32_t kIndexBits = 7;  // slot numbers 1..64
constexpr std::uint32_t kGenerationMask = 0xFFFFFF;
// "Ombix-Request-Id: " and two fields of 16 hexadecimal digits: every id has
// this length, so that each call rewrites the header in place.
constexpr char kRequestIdFormat[] = "Ombix-Request-Id: %016" PRIx64 "-%016" PRIx64;
constexpr std::size_t kRequestIdLength = 18 + 16 + 1 + 16;

struct Connection {
    std::mutex mutex;  // one call at a time: an easy handle is not shareable
    bool open = false;
    std::uint32_t generation = 0;
    CURL *easy = nullptr;
    curl_slist *headers = nullptr;
    char *request_id = nullptr;  // the text of the id's node in `headers`
    std::uint64_t client_id = 0;
    std::uint64_t sequence = 0;
    std::string call_prefix;  // "<url>/call/"
    std::string url;          // of the last call: set again only for another call name
    std::string url_name;
};

Connection connections[OMBIX_HTTP_MAX_CONNECTIONS];
std::once_flag curl_initialized;

struct Reply {
    std::string body;
    bool too_long = false;
    bool out_of_memory = false;
};

std::size_t collect(char *data, std::size_t size, std::size_t count, void *user) {
    auto *reply = static_cast<Reply *>(user);
    std::size_t bytes = size * count;
    if (reply->body.size() + bytes > kMaxAnswerBytes) {
        reply->too_long = true;
        return 0;  // makes libcurl stop with CURLE_WRITE_ERROR
    }
    try {
        reply->body.append(data, bytes);
    } catch (const std::bad_alloc &) {
        reply->out_of_memory = true;  // no exception may cross libcurl's C frames
        return 0;
    }
    return bytes;
}

// Unpredictable enough that two handles, in this process or another, never
// share an id; a server remembers answers by it.
std::uint64_t new_client_id() {
    std::uint64_t id = 0;
    if (getrandom(&id, sizeof id, 0) != static_cast<ssize_t>(sizeof id)) {
        std::random_device random;
        id = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    }
    return id;
}

std::int32_t handle_of(std::uint32_t index, std::uint32_t generation) {
    return static_cast<std::int32_t>(((generation & kGenerationMask) << kIndexBits) | (index + 1));
}

// The connection a handle names, or null. The caller then locks it and checks
// that it is still the same open connection (see is_current).
Connection *slot_of(std::int32_t handle) {
    auto bits = static_cast<std::uint32_t>(handle);
    std::uint32_t slot = bits & ((1u << kIndexBits) - 1);
    if (handle <= 0 || slot == 0 || slot > OMBIX_HTTP_MAX_CONNECTIONS) return nullptr;
    return &connections[slot - 1];
}

bool is_current(const Connection &connection, std::int32_t handle) {
    auto generation = static_cast<std::uint32_t>(handle) >> kIndexBits;
    return connection.open && (connection.generation & kGenerationMask) == generation;
}

void release(Connection &connection) {
    curl_easy_cleanup(connection.easy);
    curl_slist_free_all(connection.headers);
    connection.easy = nullptr;
    connection.headers = nullptr;
    connection.request_id = nullptr;
    connection.call_prefix.clear();
    connection.url.clear();
    connection.url_name.clear();
    connection.open = false;
    ++connection.generation;
}

bool configure(Connection &connection, const OMBIX_HTTP_OPTIONS &options) {
    connection.easy = curl_easy_init();
    if (connection.easy == nullptr) return false;
    connection.headers = curl_slist_append(nullptr, "Content-Type: application/json");
    // Large bodies would otherwise wait for a "100 Continue" first.
    connection.headers = curl_slist_append(connection.headers, "Expect:");
    if (options.token != nullptr) {
        std::string authorization = std::string("Authorization: Bearer ") + options.token;
        connection.headers = curl_slist_append(connection.headers, authorization.c_str());
    }
    connection.client_id = new_client_id();
    connection.sequence = 0;
    char request_id[kRequestIdLength + 1];
    std::snprintf(request_id, sizeof request_id, kRequestIdFormat, connection.client_id, std::uint64_t{0});
    curl_slist *with_id = curl_slist_append(connection.headers, request_id);
    if (with_id == nullptr) return false;
    connection.headers = with_id;
    curl_slist *last = with_id;
    while (last->next != nullptr) last = last->next;
    connection.request_id = last->data;
    long timeout = options.timeoutMs > 0 ? options.timeoutMs : kDefaultTimeoutMs;
    CURL *easy = connection.easy;
    bool ok = curl_easy_setopt(easy, CURLOPT_HTTPHEADER, connection.headers) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_POST, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect) == CURLE_OK;
    if (ok && options.caFile != nullptr) ok = curl_easy_setopt(easy, CURLOPT_CAINFO, options.caFile) == CURLE_OK;
    return ok;
}

json_t *fail(std::int32_t *code, std::int32_t failure, std::string why) {
    *code = failure;
    ombix::transport::set_last_error(std::move(why));
    return nullptr;
}

std::string status_text(long status, const std::string &body) {
    return "HTTP " + std::to_string(status) + (body.empty() ? std::string() : ": " + body);
}

bool is_error_object(const json_t *answer) {
    return json_is_object(answer) && json_is_string(json_object_get(answer, "error")) &&
           json_is_object(json_object_get(answer, "errorMsg"));
}

// 503 {"error": "out of memory"}: the server could not run the call or build
// its answer.
bool is_server_out_of_memory(long status, const std::string &body) {
    if (status != 503) return false;
    json_t *answer = json_loadb(body.data(), body.size(), 0, nullptr);
    json_t *error = json_object_get(answer, "error");
    bool out_of_memory = json_is_string(error) && std::strcmp(json_string_value(error), "out of memory") == 0;
    json_decref(answer);
    return out_of_memory;
}

// Turns a finished exchange into the code and the outputs.
json_t *interpret(long status, const Reply &reply, const char *name, std::int32_t *code) {
    using ombix::transport::take_answer;
    if (status == 404) return fail(code, OMBIX_TRANSPORT_RC_UNKNOWN_CALL, std::string("unknown call ") + name);
    if (is_server_out_of_memory(status, reply.body))
        return fail(code, OMBIX_TRANSPORT_RC_OUT_OF_MEMORY, status_text(status, reply.body));
    if (status != 200 && status != 400)
        return fail(code, OMBIX_TRANSPORT_RC_HTTP_STATUS, status_text(status, reply.body));
    json_error_t parse_error{};
    json_t *answer = json_loadb(reply.body.data(), reply.body.size(), 0, &parse_error);
    // Without memory the parser may fail before it can say why.
    if (answer == nullptr && (json_error_code(&parse_error) == json_error_out_of_memory || parse_error.text[0] == '\0'))
        return fail(code, OMBIX_TRANSPORT_RC_OUT_OF_MEMORY, "out of memory for the answer");
    if (status == 400 && !is_error_object(answer)) {
        json_decref(answer);
        return fail(code, OMBIX_TRANSPORT_RC_HTTP_STATUS, status_text(status, reply.body));
    }
    if (answer == nullptr) return fail(code, OMBIX_TRANSPORT_RC_BAD_MESSAGE, "answer is not JSON: " + reply.body);
    return take_answer(answer, code);
}

json_t *call(Connection &connection, const char *name, std::int32_t *code, const std::string &body) {
    CURL *easy = connection.easy;
    if (connection.url.empty() || connection.url_name != name) {
        // Escaping fails only without memory.
        char *escaped = curl_easy_escape(easy, name, 0);
        if (escaped == nullptr) return fail(code, OMBIX_TRANSPORT_RC_OUT_OF_MEMORY, "out of memory in the transport");
        connection.url_name.clear();
        try {
            connection.url = connection.call_prefix + escaped;
        } catch (const std::bad_alloc &) {
            curl_free(escaped);
            throw;
        }
        curl_free(escaped);
        if (curl_easy_setopt(easy, CURLOPT_URL, connection.url.c_str()) != CURLE_OK)
            return fail(code, OMBIX_TRANSPORT_RC_OUT_OF_MEMORY, "out of memory in the transport");
        connection.url_name = name;
    }

    // The same id goes with any resend libcurl makes of this request.
    ++connection.sequence;
    std::snprintf(connection.request_id, kRequestIdLength + 1, kRequestIdFormat, connection.client_id,
                  connection.sequence);

    Reply reply;
    char error_text[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error_text);
    CURLcode outcome = curl_easy_perform(easy);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, nullptr);

    if (outcome == CURLE_OPERATION_TIMEDOUT) return fail(code, OMBIX_TRANSPORT_RC_TIMEOUT, error_text);
    // The URL parsed at open, and a call name only adds escaped characters:
    // libcurl reports running out of memory while parsing it as a bad URL.
    if (outcome == CURLE_OUT_OF_MEMORY || outcome == CURLE_URL_MALFORMAT ||
        (outcome == CURLE_WRITE_ERROR && reply.out_of_memory))
        return fail(code, OMBIX_TRANSPORT_RC_OUT_OF_MEMORY, "out of memory in the transport");
    if (outcome == CURLE_WRITE_ERROR && reply.too_long)
        return fail(code, OMBIX_TRANSPORT_RC_BAD_MESSAGE,
                    "answer longer than " + std::to_string(kMaxAnswerBytes) + " bytes");
    if (outcome != CURLE_OK)
        return fail(code, OMBIX_TRANSPORT_RC_CONNECT, error_text[0] != '\0' ? error_text : curl_easy_strerror(outcome));
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return interpret(status, reply, name, code);
}

// Out of memory where no exception may pass: the code, and a text if one fits.
std::int32_t out_of_memory(std::int32_t *code) noexcept {
    if (code != nullptr) *code = OMBIX_TRANSPORT_RC_OUT_OF_MEMORY;
    try {
        ombix::transport::set_last_error("out of memory in the transport");
    } catch (const std::bad_alloc &) {
        ombix::transport::clear_last_error();
    }
    return OMBIX_TRANSPORT_RC_OUT_OF_MEMORY;
}

// Whether libcurl can parse a URL of this connection.
CURLUcode parse_url(const std::string &url) {
    CURLU *parsed = curl_url();
    if (parsed == nullptr) return CURLUE_OUT_OF_MEMORY;
    CURLUcode outcome = curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0);
    curl_url_cleanup(parsed);
    return outcome;
}

std::int32_t open_connection(const OMBIX_HTTP_OPTIONS *options, std::int32_t *handle) {
    ombix::transport::clear_last_error();
    if (options == nullptr || options->url == nullptr || handle == nullptr ||
        (std::strncmp(options->url, "http://", 7) != 0 && std::strncmp(options->url, "https://", 8) != 0)) {
        ombix::transport::set_last_error("the URL must begin with http:// or https://");
        return OMBIX_TRANSPORT_RC_BAD_MESSAGE;
    }
    std::call_once(curl_initialized, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    for (std::uint32_t index = 0; index < OMBIX_HTTP_MAX_CONNECTIONS; ++index) {
        Connection &connection = connections[index];
        std::lock_guard<std::mutex> lock(connection.mutex);
        if (connection.open) continue;
        try {
            std::string base = options->url;
            while (!base.empty() && base.back() == '/') base.pop_back();
            connection.call_prefix = base + "/call/";
        } catch (const std::bad_alloc &) {
            release(connection);
            throw;
        }
        CURLUcode parsed = parse_url(connection.call_prefix + "x");
        if (parsed != CURLUE_OK) {
            release(connection);
            if (parsed == CURLUE_OUT_OF_MEMORY) throw std::bad_alloc();
            ombix::transport::set_last_error("the URL is not usable");
            return OMBIX_TRANSPORT_RC_BAD_MESSAGE;
        }
        if (!configure(connection, *options)) {
            release(connection);
            ombix::transport::set_last_error("the connection could not be set up");
            return OMBIX_TRANSPORT_RC_BAD_MESSAGE;
        }
        connection.open = true;
        *handle = handle_of(index, connection.generation);
        return 0;
    }
    ombix::transport::set_last_error("all connections are in use");
    return OMBIX_TRANSPORT_RC_BAD_HANDLE;
}

json_t *execute(std::int32_t handle, const char *name, std::int32_t *code, json_t *params) {
    // The list is ours from here on: turn it into the body and let it go.
    std::string body;
    bool encoded = params == nullptr || ombix::transport::append_json(params, body);
    json_decref(params);
    if (!encoded) return fail(code, OMBIX_TRANSPORT_RC_BAD_MESSAGE, "parameter list could not be encoded");

    Connection *connection = slot_of(handle);
    if (connection == nullptr || name == nullptr)
        return fail(code, OMBIX_TRANSPORT_RC_BAD_HANDLE, "no open connection has this handle");
    std::lock_guard<std::mutex> lock(connection->mutex);
    if (!is_current(*connection, handle))
        return fail(code, OMBIX_TRANSPORT_RC_BAD_HANDLE, "no open connection has this handle");
    return call(*connection, name, code, body);
}

}  // namespace

extern "C" int32_t OmbixHttpOpen(const OMBIX_HTTP_OPTIONS *options, int32_t *handle) {
    try {
        return open_connection(options, handle);
    } catch (const std::bad_alloc &) {
        return out_of_memory(nullptr);
    }
}

extern "C" int32_t OmbixHttpSetClientCertificate(int32_t handle, const char *certFile, const char *keyFile) {
    Connection *connection = slot_of(handle);
    if (connection == nullptr) return OMBIX_TRANSPORT_RC_BAD_HANDLE;
    std::lock_guard<std::mutex> lock(connection->mutex);
    if (!is_current(*connection, handle)) return OMBIX_TRANSPORT_RC_BAD_HANDLE;
    // libcurl copies both texts; a null one clears its option.
    CURL *easy = connection->easy;
    const bool set = curl_easy_setopt(easy, CURLOPT_SSLCERT, certFile) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_SSLCERTTYPE, certFile != nullptr ? "PEM" : nullptr) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_SSLKEY, certFile != nullptr ? keyFile : nullptr) == CURLE_OK;
    return set ? 0 : out_of_memory(nullptr);
}

extern "C" int32_t OmbixHttpClose(int32_t handle) {
    Connection *connection = slot_of(handle);
    if (connection == nullptr) return OMBIX_TRANSPORT_RC_BAD_HANDLE;
    std::lock_guard<std::mutex> lock(connection->mutex);
    if (!is_current(*connection, handle)) return OMBIX_TRANSPORT_RC_BAD_HANDLE;
    release(*connection);
    return 0;
}

extern "C" json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params) {
    ombix::transport::clear_last_error();
    try {
        return execute(handle, name, code, params);
    } catch (const std::bad_alloc &) {
        // Whatever was built is gone with the exception; the parameter list
        // was released before anything could throw.
        out_of_memory(code);
        return nullptr;
    }
}
