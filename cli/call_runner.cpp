#include "call_runner.h"

#include <cstring>
#include <vector>

#include "call_outputs.h"
#include "call_slots.h"
#include "call_table.h"
#include "ombixRemoteCall.h"

namespace ombix::cli {
namespace {

struct StubEntry {
    const calls::CallDescription *call;
    Invoker stub;
};

// The stub of every call the client declares.
const StubEntry kStubs[] = {
#define OMBIX_CALL(call, arguments) {&calls::call::kDescription, &invoke<calls::call, &OmbixR_##call>},
#include "ombix_calls.h"
#undef OMBIX_CALL
};

const char *bare_name(const calls::CallDescription &call) {
    return call.name + sizeof("Ombix") - 1;
}

}  // namespace

calls::CallList all_calls() {
    return calls::all();
}

const calls::CallDescription *find_call(const std::string &name) {
    std::string bare = name;
    if (bare.rfind("OmbixR_", 0) == 0) {
        bare = bare.substr(7);
    } else if (bare.rfind("Ombix", 0) == 0) {
        bare = bare.substr(5);
    }
    return bare.empty() ? nullptr : calls::find(("Ombix" + bare).c_str());
}

std::string describe_call(const calls::CallDescription &call) {
    std::string inputs = bare_name(call);
    std::string outputs;
    for (std::size_t i = 0; i < call.member_count; ++i) {
        const calls::Member &m = call.members[i];
        switch (m.role) {
            case calls::Role::Text: inputs += std::string(" ") + m.name + "=TEXT"; break;
            case calls::Role::WriteBytes: inputs += std::string(" [") + m.name + "=HEX|@FILE]"; break;
            default:
                if (calls::is_integer_parameter(m.role)) inputs += std::string(" ") + m.name + "=INT";
                break;
        }
        if (calls::is_output(m.role)) outputs += std::string(" ") + m.name;
    }
    return outputs.empty() ? inputs : inputs + "  ->" + outputs;
}

CallResult execute(const calls::CallDescription &call, Invoker invoker, std::int32_t handle,
                   const Arguments &arguments) {
    CallResult result;
    std::vector<Slot> slots;
    if (!prepare_slots(call, arguments, slots, result.error)) return result;
    result.ran = true;
    result.code = invoker(handle, slots.data());
    if (result.code == OMBIX_RC_OK || result.code == OMBIX_RC_OUTPUTS_VALID) result.outputs = outputs_json(call, slots);
    return result;
}

CallResult run_call(const calls::CallDescription &call, std::int32_t handle, const Arguments &arguments) {
    for (const StubEntry &entry : kStubs) {
        if (entry.call == &call || std::strcmp(entry.call->name, call.name) == 0) {
            return execute(call, entry.stub, handle, arguments);
        }
    }
    CallResult result;
    result.error = "unknown call";
    return result;
}

}  // namespace ombix::cli
