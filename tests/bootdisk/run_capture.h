// Runs the tool's run flow in-process and captures what it prints.
#ifndef OMBIX_TESTS_BOOTDISK_RUN_CAPTURE_H
#define OMBIX_TESTS_BOOTDISK_RUN_CAPTURE_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "run_flow.h"
#include "usage_text.h"

namespace ombix::bootdisk {

struct RunResult {
    int status;
    std::vector<std::string> lines;
};

inline std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// args are the arguments after the program path, which is a Windows-style path.
inline RunResult run_tool(const std::vector<std::string> &args) {
    std::vector<const char *> argv{"C:\\tools\\vxbootdisk.exe"};
    for (const std::string &arg : args) argv.push_back(arg.c_str());
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    const int status = run_vxbootdisk(static_cast<int>(argv.size()), argv.data(), out);
    fclose(out);
    RunResult result{status, split_lines(std::string(text, size))};
    free(text);
    return result;
}

}  // namespace ombix::bootdisk

#endif
