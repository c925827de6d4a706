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

namespace {

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool isSwitchStart(char c) {
    return c == '-' || c == '/';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void requireProgramName(const char *path, size_t size) {
    std::vector<char> name(size, '\x7F');
    programNameFromPath(path, name.data(), size);
    const size_t length = strnlen(name.data(), size);
    require(length < size);
    require(std::strpbrk(name.data(), "/\\:") == nullptr);
}

void requireAcceptedOptions(const RunOptions &options, int argc, const char *const *argv) {
    require(options.ownRisk == 1);
    for (int flag : {options.systemDrive, options.ignore, options.save, options.restore, options.toFile})
        require(flag == 0 || flag == 1);
    const int fileModes = options.save + options.restore + options.toFile;
    require(fileModes <= 1);
    if (options.driveName[0] == '\0')
        require(options.toFile && options.ignore);
    else
        require(isAsciiLetter(options.driveName[0]) && options.driveName[1] == ':' &&
                options.driveName[2] == '\0');
    require(options.fileName != nullptr);
    if (fileModes == 0) {
        require(options.fileName[0] == '\0');
        return;
    }
    if (std::strcmp(options.fileName, VXBOOTDISK_DEFAULT_FILE_NAME) == 0)
        return;
    // Otherwise it is one of the arguments, one that is no switch group.
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || options.fileName == argv[i];
    require(given && options.fileName[0] != '\0' && !isSwitchStart(options.fileName[0]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
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
    for (const auto &argument : arguments)
        argv.push_back(argument.get());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(arguments.size());

    if (argc > 0) {
        requireProgramName(argv[0], VXBOOTDISK_PROGRAM_NAME_SIZE);
        requireProgramName(argv[0], 1 + size % 8);
    }

    char *text = nullptr;
    size_t textSize = 0;
    FILE *out = open_memstream(&text, &textSize);
    if (out == nullptr)
        return 0;
    RunOptions options;
    const int accepted = scanCommandLine(argc, argv.data(), "vxbootdisk", &options, out);
    fclose(out);

    static const char kUsageEnd[] = "        VXLD.BIN is the default name for the above files\n";
    require(accepted == 0 || accepted == 1);
    if (accepted) {
        require(textSize == 0);
        requireAcceptedOptions(options, argc, argv.data());
    } else {
        const size_t endLength = sizeof kUsageEnd - 1;
        require(textSize >= endLength && std::memcmp(text + textSize - endLength, kUsageEnd, endLength) == 0);
    }
    std::free(text);
    return 0;
}
