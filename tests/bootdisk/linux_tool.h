// Running the Linux program on volumes named by VXBOOTDISK_ variables.
#ifndef OMBIX_TESTS_BOOTDISK_LINUX_TOOL_H
#define OMBIX_TESTS_BOOTDISK_LINUX_TOOL_H

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell.h"

namespace ombix::bootdisk {

// Runs the Linux program in dir with the given VXBOOTDISK_ variables and arguments.
inline CommandResult run_linux_tool(const ScratchDirectory &dir, const std::string &environment,
                                    const std::vector<std::string> &args) {
    std::string command = "cd " + shell_quoted(dir.path().string()) + " && env -u VXBOOTDISK_A -u VXBOOTDISK_C " +
                          environment + " " + shell_quoted(VXBOOTDISK_PROGRAM);
    for (const std::string &arg : args) command += " " + shell_quoted(arg);
    return run_command(command);
}

// The variable that names image (plus suffix, such as "@2048") as drive 'drive'.
inline std::string volume(char drive, const std::filesystem::path &image, const std::string &suffix = "") {
    return std::string("VXBOOTDISK_") + drive + "=" + shell_quoted(image.string() + suffix);
}

inline void must_run(const std::string &command) {
    const CommandResult result = run_command(command);
    ASSERT_EQ(result.status, 0) << command << "\n" << result.output;
}

}  // namespace ombix::bootdisk

#endif
