// Fuzz target: the command-line scan of vxbootdisk and the program name
// taken from its path. It prints into memory and touches no file or volume.
//
// Input: the arguments, each ended by a NUL byte (the last by the end of the
// input); the first is the program's own path. Each argument lives in a
// block of exactly its length, so that AddressSanitizer sees any read past
// its end.
//
// Traps when an accepted command line breaks a rule of the scan (no
// -ownrisk, two file modes, a malformed drive, a missing drive without
// -ignore -b, a file name that is neither given nor the default), when an
// accepted one prints anything, when a refused one does not end with the
// usage text, and when a program name keeps a directory part.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "command_line.h"

namespace ombix::bootdisk {
namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool is_switch_start(char c) {
    return c == '-' || c == '/';
}

bool is_ascii_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void require_program_name(const char *path, size_t size) {
    std::vector<char> name(size, '\x7F');
    program_name_from_path(path, name.data(), size);
    const size_t length = strnlen(name.data(), size);
    require(length < size);
    require(std::strpbrk(name.data(), "/\\:") == nullptr);
}

void require_accepted_options(const RunOptions &options, int argc, const char *const *argv) {
    require(options.own_risk);
    const int file_modes = int{options.save} + int{options.restore} + int{options.to_file};
    require(file_modes <= 1);
    if (options.drive_name[0] == '\0')
        require(options.to_file && options.ignore);
    else
        require(is_ascii_letter(options.drive_name[0]) && options.drive_name[1] == ':' &&
                options.drive_name[2] == '\0');
    require(options.file_name != nullptr);
    if (file_modes == 0) {
        require(options.file_name[0] == '\0');
        return;
    }
    if (std::strcmp(options.file_name, kDefaultFileName) == 0) return;
    // Otherwise it is one of the arguments, one that is no switch group.
    bool given = false;
    for (int i = 1; i < argc; ++i) given = given || options.file_name == argv[i];
    require(given && options.file_name[0] != '\0' && !is_switch_start(options.file_name[0]));
}

}  // namespace
}  // namespace ombix::bootdisk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ombix::bootdisk;
    std::vector<std::unique_ptr<char[]>> arguments;
    for (size_t start = 0; start < size;) {
        const void *end = std::memchr(data + start, '\0', size - start);
        const size_t length =
            end != nullptr ? static_cast<size_t>(static_cast<const uint8_t *>(end) - (data + start)) : size - start;
        std::unique_ptr<char[]> argument(new char[length + 1]);
        std::memcpy(argument.get(), data + start, length);
        argument[length] = '\0';
        arguments.push_back(std::move(argument));
        start += length + 1;
    }
    std::vector<const char *> argv;
    for (const auto &argument : arguments) argv.push_back(argument.get());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(arguments.size());

    if (argc > 0) {
        require_program_name(argv[0], kProgramNameSize);
        require_program_name(argv[0], 1 + size % 8);
    }

    char *text = nullptr;
    size_t text_size = 0;
    FILE *out = open_memstream(&text, &text_size);
    if (out == nullptr) return 0;
    RunOptions options;
    const bool accepted = scan_command_line(argc, argv.data(), "vxbootdisk", &options, out);
    fclose(out);

    static const char kUsageEnd[] = "        VXLD.BIN is the default name for the above files\n";
    if (accepted) {
        require(text_size == 0);
        require_accepted_options(options, argc, argv.data());
    } else {
        const size_t end_length = sizeof kUsageEnd - 1;
        require(text_size >= end_length && std::memcmp(text + text_size - end_length, kUsageEnd, end_length) == 0);
    }
    std::free(text);
    return 0;
}
