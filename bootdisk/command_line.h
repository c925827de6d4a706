/* The command line of the boot drive tool: switches, drive name, usage text. */
#ifndef OMBIX_BOOTDISK_COMMAND_LINE_H
#define OMBIX_BOOTDISK_COMMAND_LINE_H

#include <cstddef>
#include <cstdio>

namespace ombix::bootdisk {

inline constexpr char kDefaultFileName[] = "VXLD.BIN";
constexpr size_t kProgramNameSize = 256;

struct RunOptions {
    char drive_name[3];     // "" or a letter and a colon, as typed
    const char *file_name;  // "" or the argument given, or the default name
    bool own_risk;
    bool system_drive;
    bool ignore;
    bool save;
    bool restore;
    bool to_file;
};

// The file-name part of path without directory and extension, cut to fit.
void program_name_from_path(const char *path, char *name, size_t size);

void print_usage(FILE *out, const char *program_name);

// Scans argv[1..argc-1] into options and applies the checks that follow the
// scan. Returns true when the run may go on; false after the usage text (and
// any line before it) has been printed, when the exit status is 1.
bool scan_command_line(int argc, const char *const *argv, const char *program_name, RunOptions *options, FILE *out);

}  // namespace ombix::bootdisk

#endif
