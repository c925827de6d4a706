// Running any of the 88 calls from the command line: arguments by their C
// parameter names, outputs gathered into JSON.
#ifndef OMBIX_CLI_CALL_RUNNER_H
#define OMBIX_CLI_CALL_RUNNER_H

#include <jansson.h>

#include <cstdint>
#include <string>
#include <vector>

#include "arguments.h"

namespace ombix::cli {

struct CallInfo {
    const char *name;       // "OmbixGetFanSpeed"
    const char *signature;  // "(int32_t handle, int32_t fanNr, uint8_t *pwm, int32_t *rpm)"
};

// Every call, in the order of the API's declaration.
const std::vector<CallInfo> &all_calls();

// The call `name` names ("GetFanSpeed", "OmbixGetFanSpeed" or
// "OmbixR_GetFanSpeed"), or null.
const CallInfo *find_call(const std::string &name);

// What the user passes to a call and gets back, for its usage line:
// "fanNr=INT -> pwm rpm".
std::string describe_call(const CallInfo &call);

struct CallResult {
    bool ran = false;         // false: the arguments did not fit (see error)
    std::string error;
    std::int32_t code = 0;
    json_t *outputs = nullptr;  // object of the outputs when code is 0 or 16; caller releases
};

CallResult run_call(const CallInfo &call, std::int32_t handle, const Arguments &arguments);

}  // namespace ombix::cli

#endif
