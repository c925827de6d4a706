// Fuzz target: the command line of the ombix client after its options, as
// the client turns it into a call. The first line of the input is the call
// as typed ("GetFanSpeed", "OmbixGetFanSpeed"...), every further line one
// name=value argument. The call runs through the stubs, the loopback
// transport and the executor on the simulated board.
//
// A byte argument "@path" reads a file; here the path is replaced by one of
// two fixed ones (a small file, a missing one), so that the fuzzer never
// reads whatever the machine holds.
#include <jansson.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "arguments.h"
#include "call_runner.h"
#include "sim_control.h"

namespace {

std::string directory;
std::string small_file;
std::string missing_file;

void remove_files() {
    std::remove(small_file.c_str());
    std::remove(directory.c_str());
}

std::vector<std::string> lines_of(const std::uint8_t *data, std::size_t size) {
    std::vector<std::string> lines(1);
    for (std::size_t k = 0; k < size; ++k) {
        if (data[k] == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += static_cast<char>(data[k]);
        }
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    ombix::sim::set_call_log(false);
    char made[] = "/tmp/fuzz_ombix_arguments.XXXXXX";
    if (mkdtemp(made) == nullptr) std::abort();
    directory = made;
    small_file = directory + "/bytes";
    missing_file = directory + "/missing";
    std::FILE *file = std::fopen(small_file.c_str(), "wb");
    if (file == nullptr) std::abort();
    std::fputs("\x01\x02\x03\x04 file bytes", file);
    std::fclose(file);
    std::atexit(remove_files);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::vector<std::string> lines = lines_of(data, size);
    const ombix::calls::CallDescription *call = ombix::cli::find_call(lines[0]);
    ombix::cli::Arguments arguments;
    std::string error;
    bool parsed = ombix::cli::parse_arguments({lines.begin() + 1, lines.end()}, arguments, error);
    if (!parsed && error.empty()) __builtin_trap();  // a refusal always says why
    if (call == nullptr || !parsed) return 0;

    for (auto &argument : arguments) {
        std::string &value = argument.second;
        if (!value.empty() && value[0] == '@') value = "@" + (value.size() % 2 == 0 ? small_file : missing_file);
    }
    if (ombix::cli::describe_call(*call).empty()) __builtin_trap();

    // Every input finds the board as it was at power-on.
    ombix::sim::reset();
    ombix::sim::set_call_log(false);
    ombix::cli::CallResult result = ombix::cli::run_call(*call, 0, arguments);
    if (!result.ran && result.error.empty()) __builtin_trap();
    bool succeeded = result.ran && (result.code == 0 || result.code == 16);
    if (succeeded != (result.outputs != nullptr)) __builtin_trap();  // outputs exactly after success
    if (result.outputs != nullptr) {
        char *text = json_dumps(result.outputs, JSON_COMPACT);
        if (text == nullptr) __builtin_trap();  // what the client prints must be printable
        std::free(text);
    }
    json_decref(result.outputs);
    return 0;
}
