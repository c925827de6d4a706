// What the audit keeps of a call that changes the board: who asked, from
// where, what, with which parameters (secrets hidden) and what came of it.
// Pure data and text; where records go is audit_log.h.
#ifndef OMBIXD_AUDIT_RECORD_H
#define OMBIXD_AUDIT_RECORD_H

#include <cstdint>
#include <string>

#include "call_description.h"

namespace ombixd {

// Shown in place of a secret parameter.
inline constexpr char kHiddenValue[] = "(hidden)";
// Shown as the caller when the server takes no tokens.
inline constexpr char kAnonymousCaller[] = "anonymous";

// Calls above the reader role change the board (or drive a bus, which may),
// so they are recorded; reader calls are not.
bool is_audited(const ombix::calls::CallDescription &call);
// A parameter that must never be written down: a text whose name says it is
// a password.
bool is_secret(const ombix::calls::Member &member);

struct AuditRecord {
    std::string time;     // UTC, "2026-12-09T05:45:01.123Z"
    std::string caller;   // the name of the key that authenticated the request
    std::string peer;     // "127.0.0.1:40112", "[::1]:40112"
    std::string call;     // "OmbixSetFanModeManual"
    std::string params;   // the parameter list as compact JSON, secrets hidden; "null" for none
    std::string outcome;  // "ran", "refused" (403), "rejected" (400, not run), "failed" (503)
    unsigned status = 0;  // the HTTP status answered
    bool has_code = false;
    std::int32_t code = 0;  // the call's return code, when it ran and answered one
};

// The current time as AuditRecord::time has it.
std::string audit_time_now();

// The parameter list of `body` as the record shows it: compact JSON with
// every secret of `call` replaced by kHiddenValue. A body that is not a
// parameter list keeps none of its texts, since which of them is a secret
// cannot be told; a body that is not JSON is "null".
std::string audit_params(const ombix::calls::CallDescription &call, const std::string &body);

// The call's return code from an answer body ({"ret": code, ...}).
bool answer_code(const std::string &answer_body, std::int32_t &code);

// One line of the JSON-lines file, with its line end.
std::string audit_json_line(const AuditRecord &record);

}  // namespace ombixd

#endif
