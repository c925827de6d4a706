#include "audit_record.h"

#include <jansson.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "json_dump.h"

namespace ombixd {
namespace {

using ombix::calls::CallDescription;
using ombix::calls::Member;
using ombix::calls::Role;

struct JsonRelease {
    void operator()(json_t *value) const { json_decref(value); }
};
using JsonHandle = std::unique_ptr<json_t, JsonRelease>;

// A base64 buffer may be 349528 characters: the record keeps its length, not
// its bytes, so that one storage write cannot swell the log by a third of a
// megabyte.
constexpr std::size_t kLongestKeptText = 256;

bool contains_password(const char *name) {
    std::string lower(name);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("password") != std::string::npos || lower.find("passwd") != std::string::npos;
}

// The member behind element `index` of the parameter list, or null.
const Member *parameter_member(const CallDescription &call, std::size_t index) {
    std::size_t seen = 0;
    for (std::size_t k = 0; k < call.member_count; ++k) {
        if (!ombix::calls::is_parameter(call.members[k].role)) continue;
        if (seen++ == index) return &call.members[k];
    }
    return nullptr;
}

bool has_secret(const CallDescription &call) {
    for (std::size_t k = 0; k < call.member_count; ++k)
        if (is_secret(call.members[k])) return true;
    return false;
}

bool is_member_name(const CallDescription &call, const char *text) {
    for (std::size_t k = 0; k < call.member_count; ++k)
        if (std::strcmp(call.members[k].name, text) == 0) return true;
    return false;
}

// Replaces texts in `value` (recursively) that must not be kept: all of them
// when `hide_all`, otherwise only those too long to keep. The name of an
// element ({"i": name, "v": value}) stays when it is one of the call's.
void scrub(const CallDescription &call, json_t *value, bool hide_all) {
    if (json_is_string(value)) {
        if (hide_all)
            json_string_set(value, kHiddenValue);
        else if (json_string_length(value) > kLongestKeptText)
            json_string_set(value, ("(" + std::to_string(json_string_length(value)) + " characters)").c_str());
        return;
    }
    std::size_t index;
    json_t *element;
    const char *key;
    void *scratch;
    if (json_is_array(value)) json_array_foreach(value, index, element) scrub(call, element, hide_all);
    if (json_is_object(value)) {
        json_object_foreach_safe(value, scratch, key, element) {
            const bool a_name = std::strcmp(key, "i") == 0 && json_is_string(element) &&
                                is_member_name(call, json_string_value(element));
            if (!a_name) scrub(call, element, hide_all);
        }
    }
}

// The element names a secret member, wherever it stands in the list.
bool names_a_secret(const CallDescription &call, const json_t *element) {
    const char *name = json_string_value(json_object_get(element, "i"));
    if (name == nullptr) return false;
    for (std::size_t k = 0; k < call.member_count; ++k)
        if (is_secret(call.members[k]) && std::strcmp(call.members[k].name, name) == 0) return true;
    return false;
}

}  // namespace

bool is_audited(const CallDescription &call) {
    return call.privilege > ombix::calls::Privilege::Reader;
}

bool is_secret(const Member &member) {
    return member.role == Role::Text && member.name != nullptr && contains_password(member.name);
}

std::string audit_time_now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[80];  // room for any year the format could print
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millis));
    return text;
}

std::string audit_params(const CallDescription &call, const std::string &body) {
    if (body.find_first_not_of(" \t\r\n") == std::string::npos) return "null";
    JsonHandle params(json_loadb(body.data(), body.size(), JSON_DECODE_ANY, nullptr));
    if (!params) return "null";
    if (json_is_array(params.get())) {
        std::size_t index;
        json_t *element;
        json_array_foreach(params.get(), index, element) {
            const Member *member = parameter_member(call, index);
            // Past the list's length nothing says what an element is.
            const bool secret = member == nullptr ? has_secret(call) : is_secret(*member);
            scrub(call, element, secret || names_a_secret(call, element));
        }
    } else {
        scrub(call, params.get(), has_secret(call));
    }
    std::string text;
    if (!ombix::transport::append_json(params.get(), text)) return "null";
    return text;
}

bool answer_code(const std::string &answer_body, std::int32_t &code) {
    JsonHandle answer(json_loadb(answer_body.data(), answer_body.size(), 0, nullptr));
    json_t *ret = json_object_get(answer.get(), "ret");
    if (!json_is_integer(ret)) return false;
    code = static_cast<std::int32_t>(json_integer_value(ret));
    return true;
}

std::string audit_json_line(const AuditRecord &record) {
    JsonHandle params(json_loads(record.params.c_str(), JSON_DECODE_ANY, nullptr));
    JsonHandle line(json_pack("{s:s%, s:s%, s:s%, s:s%, s:O?, s:s%, s:i}", "time", record.time.data(),
                              record.time.size(), "caller", record.caller.data(), record.caller.size(), "peer",
                              record.peer.data(), record.peer.size(), "call", record.call.data(), record.call.size(),
                              "params", params.get(), "outcome", record.outcome.data(), record.outcome.size(), "status",
                              static_cast<int>(record.status)));
    if (!line) return std::string();
    json_object_set_new(line.get(), "ret", record.has_code ? json_integer(record.code) : json_null());
    std::string text;
    if (!ombix::transport::append_json(line.get(), text)) return std::string();
    text += '\n';
    return text;
}

}  // namespace ombixd
