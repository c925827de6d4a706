#include "request_handler.h"

#include <jansson.h>

#include <chrono>
#include <cstring>
#include <new>

#include "api_lock.h"
#include "audit_record.h"
#include "body_check.h"
#include "call_description.h"
#include "call_names.h"
#include "dashboard_endpoint.h"
#include "json_dump.h"
#include "metrics_endpoint.h"
#include "openapi_document.h"
#include "server_metrics.h"
#include "session_endpoint.h"

namespace ombixd {
namespace {

constexpr std::string_view kCallPrefix = "/call/";
constexpr char kOutOfMemoryBody[] = "{\"error\":\"out of memory\"}";

Answer out_of_memory() noexcept {
    Answer answer;
    answer.status = 503;
    try {
        answer.body = kOutOfMemoryBody;
    } catch (const std::bad_alloc &) {
        // An empty body still carries the status.
    }
    return answer;
}

// The text of `value` (taken over) as the answer's body.
Answer json_answer(unsigned status, json_t *value) noexcept {
    Answer answer;
    answer.status = status;
    bool written = value != nullptr && ombix::transport::append_json(value, answer.body);
    json_decref(value);
    return written ? answer : out_of_memory();
}

// The text of an "error" as a JSON string, or null without memory. A text
// that is not UTF-8 (the parser's message quotes the body, and may cut it
// inside a character) keeps its ASCII and shows every other byte as '?'.
json_t *error_string(std::string_view error) noexcept {
    json_t *text = json_stringn(error.data(), error.size());
    if (text != nullptr) return text;
    try {
        std::string ascii(error);
        for (char &c : ascii)
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';
        return json_stringn(ascii.data(), ascii.size());
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

Answer build_call_list() noexcept {
    json_t *names = json_array();
    for (std::size_t k = 0; k < kCallCount && names != nullptr; ++k) {
        if (json_array_append_new(names, json_string(kCallNames[k])) != 0) {
            json_decref(names);
            names = nullptr;
        }
    }
    return json_answer(200, names);
}

// The list never changes: built once, then copied.
Answer list_calls() noexcept {
    static const Answer built = build_call_list();
    if (built.status != 200) return build_call_list();  // built without memory: try again each time
    try {
        return built;
    } catch (const std::bad_alloc &) {
        return out_of_memory();
    }
}

// The document never changes either.
Answer describe_api() noexcept {
    static const Answer built = json_answer(200, ombix::openapi::build_document());
    if (built.status != 200) return json_answer(200, ombix::openapi::build_document());
    try {
        return built;
    } catch (const std::bad_alloc &) {
        return out_of_memory();
    }
}

Answer refuse_token(const char *endpoint) noexcept {
    count_refusal(endpoint);
    return error_answer(401, "missing or wrong bearer token", "WWW-Authenticate: Bearer");
}

// A certificate verified, but its subject has no role: the caller is
// known, and a token would not help it, so 403 rather than 401.
Answer refuse_subject(std::string_view subject) noexcept {
    try {
        return error_answer(403, "the client certificate " + std::string(subject) + " has no role in the token store");
    } catch (const std::bad_alloc &) {
        return out_of_memory();
    }
}

// 403 for a call above the caller's role, naming both roles.
Answer refuse_role(const ombix::calls::CallDescription &call, Privilege caller, bool by_certificate) noexcept {
    try {
        return error_answer(403, std::string(call.name) + " needs the " + ombix::calls::privilege_name(call.privilege) +
                                     " role; the " + (by_certificate ? "certificate" : "token") + " has the " +
                                     ombix::calls::privilege_name(caller) + " role");
    } catch (const std::bad_alloc &) {
        return out_of_memory();
    }
}

}  // namespace

Answer error_answer(unsigned status, std::string_view error, const char *header) noexcept {
    json_t *text = error_string(error);
    Answer answer = json_answer(status, text != nullptr ? json_pack("{s:o}", "error", text) : nullptr);
    if (answer.status == status) answer.header = header;
    return answer;
}

Route route_request(std::string_view method, const std::string &path, const char *authorization,
                    std::uint64_t declared_length, const Keyring &keys, std::string_view client_subject) noexcept {
    Route route;
    route.answered = true;
    // A token given is judged alone; only a request without one is the certificate's.
    const bool by_certificate = authorization == nullptr && !client_subject.empty();
    const Key *key = by_certificate ? keys.match_subject(client_subject) : keys.match(authorization);
    if (path == "/metrics") {
        if (!metrics_allowed(authorization, keys, key)) {
            // A known client without a role is refused, not counted as a failed guess.
            if (by_certificate && key == nullptr && keys.required()) {
                route.answer = refuse_subject(client_subject);
            } else {
                route.auth = Route::Auth::Failed;
                route.answer = refuse_token("metrics");
            }
        } else {
            route.answer = method == "GET" ? scrape() : error_answer(405, "use GET", "Allow: GET");
        }
        return route;
    }
    // The page holds no data and takes no token; what it shows it asks for with one.
    if (answer_dashboard(method, path, route.answer)) return route;
    // Without keys there is no authentication, and every caller is an admin.
    if (!keys.required()) key = nullptr;
    if (keys.required() && key == nullptr) {
        if (by_certificate) {
            route.answer = refuse_subject(client_subject);
        } else {
            route.auth = Route::Auth::Failed;
            route.answer = refuse_token("calls");
        }
        return route;
    }
    if (key != nullptr) route.auth = Route::Auth::Passed;
    const Privilege caller = key != nullptr ? key->privilege : Privilege::Admin;
    if (path == "/openapi.json") {
        route.answer = method == "GET" ? describe_api() : error_answer(405, "use GET", "Allow: GET");
        return route;
    }
    if (path == "/session") {
        route.answer = method == "GET" ? describe_session(key, caller) : error_answer(405, "use GET", "Allow: GET");
        return route;
    }
    if (path == "/calls") {
        route.answer = method == "GET" ? list_calls() : error_answer(405, "use GET", "Allow: GET");
        return route;
    }
    if (path.compare(0, kCallPrefix.size(), kCallPrefix) != 0) {
        route.answer = error_answer(404, "no such endpoint");
        return route;
    }
    if (method != "POST") {
        route.answer = error_answer(405, "use POST", "Allow: POST");
        return route;
    }
    const char *name = path.c_str() + kCallPrefix.size();
    const ombix::calls::CallDescription *described = ombix::calls::find(name);
    if (!is_call_name(name) || described == nullptr) {
        route.answer = error_answer(404, "unknown call");
        return route;
    }
    try {
        route.caller = key != nullptr ? key->name : kAnonymousCaller;
    } catch (const std::bad_alloc &) {
        route.answer = out_of_memory();
        return route;
    }
    route.described = described;
    if (described->privilege > caller) {
        route.answer = refuse_role(*described, caller, key != nullptr && key->certificate);
        return route;
    }
    if (declared_length > kMaxBodyBytes) {
        route.answer = error_answer(413, "body too large");
        return route;
    }
    try {
        route.call = name;
    } catch (const std::bad_alloc &) {
        route.answer = out_of_memory();
        return route;
    }
    route.answered = false;
    return route;
}

Answer run_call(const std::string &call, const std::string &body) noexcept {
    if (nesting_depth(body.data(), body.size(), kMaxBodyDepth) > kMaxBodyDepth)
        return error_answer(400, "body nested deeper than a parameter list");
    json_t *params = nullptr;
    if (body.find_first_not_of(" \t\r\n") != std::string::npos) {
        json_error_t parse_error{};
        params = json_loadb(body.data(), body.size(), JSON_DECODE_ANY, &parse_error);
        if (params == nullptr) {
            // Without memory the parser may fail before it can say why.
            if (json_error_code(&parse_error) == json_error_out_of_memory || parse_error.text[0] == '\0')
                return out_of_memory();
            try {
                return error_answer(400, std::string("body is not JSON: ") + parse_error.text);
            } catch (const std::bad_alloc &) {
                return out_of_memory();
            }
        }
    }
    // JSON null stands for "no parameter list", as an empty body does.
    const auto started = std::chrono::steady_clock::now();
    json_t *answer = execute(call.c_str(), json_is_null(params) ? nullptr : params);
    json_t *code = json_object_get(answer, "ret");
    count_call(call.c_str(), json_is_integer(code), static_cast<std::int32_t>(json_integer_value(code)),
               std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    json_decref(params);
    // The name is one of the 88: no answer means the executor ran out of
    // memory, possibly after the local API acted. Never "unknown call".
    if (answer == nullptr) return out_of_memory();
    unsigned status = json_object_get(answer, "ret") != nullptr ? 200 : 400;
    return json_answer(status, answer);
}

}  // namespace ombixd
