// What ombixd answers, decided from the parts of a request; no networking.
//
//   POST /call/<call name>  body: the parameter list (empty for none)
//       200 result object | 400 error object | 404 unknown call
//       | 503 {"error": "out of memory"} when the executor could not build
//         its answer (the call may have reached the local API)
//   GET /calls              200 ["OmbixGetBoardInfo", ...] (all 88)
//   GET /metrics            200 the Prometheus exposition (metrics_endpoint.h)
//   GET /openapi.json       200 the OpenAPI document of this API
//   GET /session            200 the caller's name, role, calls and code texts
//   GET /, /dashboard/...   200 the dashboard page and its files, without a token
// Refusals carry {"error": text}: 400 body not JSON or nested too deeply,
// 401 token missing or wrong, 403 a call above the caller's role or a certificate without a role, 404 no such endpoint,
// 405 wrong method, 413 body over kMaxBodyBytes.
#ifndef OMBIXD_REQUEST_HANDLER_H
#define OMBIXD_REQUEST_HANDLER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "keyring.h"

namespace ombixd {

// The largest legitimate body, a 262144-byte transfer in base64 (349528
// characters) with its other parameters, fits well within this.
inline constexpr std::size_t kMaxBodyBytes = 512 * 1024;

inline constexpr char kOutOfMemory[] = "out of memory";

struct Answer {
    unsigned status = 200;
    std::string body;              // JSON text
    const char *header = nullptr;  // one more header line, without its line end
    const char *content_type = "application/json";
};

// An answer {"error": text}. Never fails: without memory for the text it
// becomes the fixed 503 out-of-memory answer.
Answer error_answer(unsigned status, std::string_view error, const char *header = nullptr) noexcept;

// What the head of a request decides.
struct Route {
    bool answered = false;  // `answer` is final; any body is read and dropped
    Answer answer;
    std::string call;  // otherwise: the call to run once the body is in
    // For the audit and the slowing of repeated failures: whether a token was
    // required and matched, the caller's name (the key's, or "anonymous"
    // without keys), and the call named once it is known (also when refused).
    enum class Auth { NotRequired, Passed, Failed } auth = Auth::NotRequired;
    std::string caller;
    const ombix::calls::CallDescription *described = nullptr;
};

// `authorization` is null when the header is absent; `declared_length` is
// the Content-Length (0 when absent or chunked); `client_subject` the
// subject of the connection's verified client certificate (empty: none).
// The caller is the key of the bearer token when the request carries one,
// else the key of the certificate's subject: a verified certificate whose
// subject has no entry is refused with 403. Every role may list the calls,
// read the description and scrape; a call needs its row's role.
Route route_request(std::string_view method, const std::string &path, const char *authorization,
                    std::uint64_t declared_length, const Keyring &keys, std::string_view client_subject = {}) noexcept;

// Runs a call with its body through the executor.
Answer run_call(const std::string &call, const std::string &body) noexcept;

}  // namespace ombixd

#endif
