// Fuzz target: arbitrary parameter values into ombixExecuteName, for all 88
// call names and for names that are none of them, with the simulated board
// behind the executor.
//
// Input: either "<name>\n<JSON text>", or one byte that selects one of the
// 88 names followed by the JSON text. Text that does not parse is passed as a
// null parameter value.
#include <jansson.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "call_names.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

// The board keeps its state across inputs, like a server's; its call log is
// off, as in a long-running server.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    ombix::sim::set_call_log(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    const char *text = reinterpret_cast<const char *>(data);
    std::string name;
    std::size_t json_start = 1;
    const void *newline = std::memchr(text, '\n', size);
    if (size > 5 && std::memcmp(text, "Ombix", 5) == 0 && newline != nullptr) {
        json_start = static_cast<std::size_t>(static_cast<const char *>(newline) - text);
        name.assign(text, json_start);
        ++json_start;
    } else {
        name = ombix::test::kCallNames[data[0] % ombix::test::kCallNames.size()];
    }
    json_t *params = json_loadb(text + json_start, size - json_start, JSON_DECODE_ANY, nullptr);
    json_t *answer = ombixExecuteName(name.c_str(), params);
    // The answer must always be a JSON text a transport can send.
    if (answer != nullptr) {
        char *dumped = json_dumps(answer, JSON_COMPACT);
        if (dumped == nullptr) __builtin_trap();
        std::free(dumped);
    }
    json_decref(answer);
    json_decref(params);
    return 0;
}
