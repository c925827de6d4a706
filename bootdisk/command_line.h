/* The command line of the boot drive tool: switches, drive name, usage text. */
#ifndef VXBOOTDISK_COMMAND_LINE_H
#define VXBOOTDISK_COMMAND_LINE_H

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VXBOOTDISK_DEFAULT_FILE_NAME "VXLD.BIN"
#define VXBOOTDISK_PROGRAM_NAME_SIZE 256

typedef struct RunOptions {
    char driveName[3];    /* "" or a letter and a colon, as typed */
    const char *fileName; /* "" or the argument given, or the default name */
    int ownRisk;
    int systemDrive;
    int ignore;
    int save;
    int restore;
    int toFile;
} RunOptions;

/* The file-name part of path without directory and extension, cut to fit. */
void programNameFromPath(const char *path, char *name, size_t size);

void printUsage(FILE *out, const char *programName);

/* Scans argv[1..argc-1] into options and applies the checks that follow the
 * scan. Returns 1 when the run may go on; 0 after the usage text (and any
 * line before it) has been printed, when the exit status is 1. */
int scanCommandLine(int argc, const char *const *argv, const char *programName,
                    RunOptions *options, FILE *out);

#ifdef __cplusplus
}
#endif

#endif
