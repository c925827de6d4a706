// Running any of the 88 calls from the command line: arguments by the names
// the call's members have in calls.def, outputs gathered into JSON.
#ifndef OMBIX_CLI_CALL_RUNNER_H
#define OMBIX_CLI_CALL_RUNNER_H

#include <jansson.h>

#include <cstdint>
#include <string>

#include "arguments.h"
#include "call_description.h"
#include "call_invoker.h"

namespace ombix::cli {

// Every call, in the order of the API's declaration.
calls::CallList all_calls();

// The call `name` names ("GetFanSpeed", "OmbixGetFanSpeed" or
// "OmbixR_GetFanSpeed"), or null.
const calls::CallDescription *find_call(const std::string &name);

// What the user passes to a call and gets back, for its usage line:
// "GetFanSpeed fanNr=INT  -> pwm rpm".
std::string describe_call(const calls::CallDescription &call);

struct CallResult {
    bool ran = false;  // false: the arguments did not fit (see error)
    std::string error;
    std::int32_t code = 0;
    json_t *outputs = nullptr;  // object of the outputs when code is 0 or 16; caller releases
};

// Runs `call` through its client stub on the connection `handle`.
CallResult run_call(const calls::CallDescription &call, std::int32_t handle, const Arguments &arguments);

// Runs `call` through `invoker` (see call_invoker.h), which calls a function
// of the call's declaration: its stub, or in a test its local function.
CallResult execute(const calls::CallDescription &call, Invoker invoker, std::int32_t handle,
                   const Arguments &arguments);

}  // namespace ombix::cli

#endif
