#include "scripted_transport.h"

#include <cstdlib>

#include "ombix_transport.h"
#include "ombix_types.h"

namespace ombix::test {
namespace {

struct Script {
    std::int32_t code = OMBIX_RC_OK;
    std::string outs_json = "NULL";
    json_t *outs_value = nullptr;  // overrides outs_json when set
    std::vector<SentCall> sent;
    json_t *last_answer = nullptr;  // we hold one extra reference to watch it
    bool last_owned = false;
};

Script &script() {
    static Script instance;
    return instance;
}

std::string dump(const json_t *value) {
    if (value == nullptr) return "NULL";
    char *text = json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY);
    std::string result = text != nullptr ? text : "<unprintable>";
    std::free(text);
    return result;
}

}  // namespace

void script_answer(std::int32_t code, const std::string &outs_json) {
    json_decref(script().outs_value);
    script().outs_value = nullptr;
    script().code = code;
    script().outs_json = outs_json;
}

void script_answer_value(std::int32_t code, json_t *outs) {
    script_answer(code, "NULL");
    script().outs_value = outs;
}

const std::vector<SentCall> &sent_calls() {
    return script().sent;
}

void reset_transport() {
    release_unowned_answer();
    script_answer(OMBIX_RC_OK, "NULL");
    script().sent.clear();
}

bool last_answer_handled_correctly() {
    json_t *answer = script().last_answer;
    if (answer == nullptr) return true;
    // We hold one reference; the stub held the other.
    std::size_t expected = script().last_owned ? 1 : 2;
    return answer->refcount == expected;
}

void release_unowned_answer() {
    Script &s = script();
    if (s.last_answer == nullptr) return;
    if (!s.last_owned) json_decref(s.last_answer);  // the stub's share, never taken
    json_decref(s.last_answer);                     // ours
    s.last_answer = nullptr;
}

}  // namespace ombix::test

using namespace ombix::test;

extern "C" json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params) {
    Script &s = script();
    release_unowned_answer();
    s.sent.push_back(SentCall{handle, name != nullptr ? name : "", dump(params)});
    json_decref(params);  // the transport owns the parameter list

    *code = s.code;
    json_t *answer = nullptr;
    if (s.outs_value != nullptr) {
        answer = json_deep_copy(s.outs_value);
    } else if (s.outs_json != "NULL") {
        answer = json_loads(s.outs_json.c_str(), JSON_DECODE_ANY, nullptr);
    }
    if (answer != nullptr) {
        s.last_answer = json_incref(answer);
        s.last_owned = s.code == OMBIX_RC_OK || s.code == OMBIX_RC_OUTPUTS_VALID;
    }
    return answer;
}
