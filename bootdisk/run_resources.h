/* What one run of the boot drive tool holds, and its release at the end. */
#ifndef VXBOOTDISK_RUN_RESOURCES_H
#define VXBOOTDISK_RUN_RESOURCES_H

#include <stdio.h>

#include "platform.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Room for the name of a sector file written under a temporary name: the
 * longest path a system takes, and the suffix that makes it unique. */
#define VXBOOTDISK_TEMPORARY_NAME_SIZE (4096 + 64)

typedef struct RunResources {
    void *bufferBlock;            /* the allocated block, not the aligned buffer */
    PlatformHandle volumeHandle;
    PlatformHandle fileHandle;
    int volumeLocked;
    const char *programName;
    const char *driveName;
    const char *fileName;
    /* The sector file being written, until it is renamed to the file name;
     * empty when there is none. The release removes it. */
    char temporaryFileName[VXBOOTDISK_TEMPORARY_NAME_SIZE];
} RunResources;

/* Holds nothing yet; the texts are kept for the messages. */
void initRunResources(RunResources *resources, const char *programName, const char *driveName,
                      const char *fileName);

/* Frees the buffer, closes the sector file and removes a temporary one that
 * was not renamed, unlocks and closes the volume, in that order, printing a
 * failure line for each step that fails. Returns the exit status: the given
 * status, or 1 when a step failed. */
int ReleaseRunResources(int status, RunResources *resources, FILE *out);

#ifdef __cplusplus
}
#endif

#endif
