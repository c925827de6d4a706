// An example server-side program: hands a few calls to ombixExecuteName on
// the simulated board and prints each request and its JSON answer.
#include <jansson.h>

#include <cstdio>
#include <cstdlib>

#include "ombixLocalWrap.h"

namespace {

struct Request {
    const char *name;
    const char *params;
};

const Request kRequests[] = {
    {"OmbixGetFanCount", "[]"},
    {"OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 0}])"},
    {"OmbixGetCpuTemp", R"([{"i": "cpuNr", "v": 1}])"},
    {"OmbixGpioGetDirectionCaps", R"([{"i": "gpioNr", "v": 0}])"},
    {"OmbixGetFanSpeed", R"([{"i": "fan", "v": 0}])"},
    {"OmbixGetFanSpeed", "[]"},
    {"OmbixWatchdogTrigger", R"([{"i": "timeout", "v": 5}])"},
    {"OmbixNoSuchCall", "[]"},
};

}  // namespace

int main() {
    for (const Request &request : kRequests) {
        json_t *params = json_loads(request.params, JSON_DECODE_ANY, nullptr);
        json_t *answer = ombixExecuteName(request.name, params);
        char *text = answer != nullptr ? json_dumps(answer, JSON_COMPACT) : nullptr;
        std::printf("%s %s\n  -> %s\n", request.name, request.params, text != nullptr ? text : "null (unknown call)");
        std::free(text);
        json_decref(answer);
        json_decref(params);
    }
    return 0;
}
