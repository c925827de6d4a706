/* What one run of the boot drive tool holds, and its release at the end. */
#ifndef OMBIX_BOOTDISK_RUN_RESOURCES_H
#define OMBIX_BOOTDISK_RUN_RESOURCES_H

#include <cstddef>
#include <cstdio>

#include "platform.h"

namespace ombix::bootdisk {

// Room for the name of a sector file written under a temporary name: the
// longest path a system takes, and the suffix that makes it unique.
constexpr size_t kTemporaryNameSize = 4096 + 64;

struct RunResources {
    void *buffer_block;  // the allocated block, not the aligned buffer
    PlatformHandle volume_handle;
    PlatformHandle file_handle;
    bool volume_locked;
    const char *program_name;
    const char *drive_name;
    const char *file_name;
    // The sector file being written, until it is renamed to the file name;
    // empty when there is none. The release removes it.
    char temporary_file_name[kTemporaryNameSize];
};

// Holds nothing yet; the texts are kept for the messages.
void init_run_resources(RunResources *resources, const char *program_name, const char *drive_name,
                        const char *file_name);

// Frees the buffer, closes the sector file and removes a temporary one that
// was not renamed, unlocks and closes the volume, in that order, printing a
// failure line for each step that fails. Returns the exit status: the given
// status, or 1 when a step failed. With nothing held it prints nothing.
int ReleaseRunResources(int status, RunResources *resources, FILE *out);

}  // namespace ombix::bootdisk

#endif
