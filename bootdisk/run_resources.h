/* What one run of the boot drive tool holds, and its release at the end. */
#ifndef VXBOOTDISK_RUN_RESOURCES_H
#define VXBOOTDISK_RUN_RESOURCES_H

#include <stdio.h>

#include "platform.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RunResources {
    void *bufferBlock;            /* the allocated block, not the aligned buffer */
    PlatformHandle volumeHandle;
    PlatformHandle fileHandle;
    int volumeLocked;
    const char *programName;
    const char *driveName;
    const char *fileName;
} RunResources;

/* Holds nothing yet; the texts are kept for the messages. */
void initRunResources(RunResources *resources, const char *programName, const char *driveName,
                      const char *fileName);

/* Frees the buffer, closes the sector file, unlocks and closes the volume, in
 * that order, printing a failure line for each step that fails. Returns the
 * exit status: the given status, or 1 when a step failed. */
int ReleaseRunResources(int status, RunResources *resources, FILE *out);

#ifdef __cplusplus
}
#endif

#endif
