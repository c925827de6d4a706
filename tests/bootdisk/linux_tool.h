// Running the Linux program on volumes named by VXBOOTDISK_ variables.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell.h"

// Runs the Linux program in dir with the given VXBOOTDISK_ variables and arguments.
inline CommandResult runLinuxTool(const ScratchDirectory &dir, const std::string &environment,
                                  const std::vector<std::string> &args) {
    std::string command = "cd " + shellQuoted(dir.path().string()) + " && env -u VXBOOTDISK_A -u VXBOOTDISK_C " +
                          environment + " " + shellQuoted(VXBOOTDISK_PROGRAM);
    for (const std::string &arg : args)
        command += " " + shellQuoted(arg);
    return runCommand(command);
}

// The variable that names image (plus suffix, such as "@2048") as drive 'drive'.
inline std::string volume(char drive, const std::filesystem::path &image, const std::string &suffix = "") {
    return std::string("VXBOOTDISK_") + drive + "=" + shellQuoted(image.string() + suffix);
}

inline void mustRun(const std::string &command) {
    const CommandResult result = runCommand(command);
    ASSERT_EQ(result.status, 0) << command << "\n" << result.output;
}
