/* One run of the boot drive tool, from the command line to the exit status. */
#ifndef VXBOOTDISK_RUN_FLOW_H
#define VXBOOTDISK_RUN_FLOW_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Prints every line to out and returns the exit status, 0 or 1. */
int runVxbootdisk(int argc, const char *const *argv, FILE *out);

#ifdef __cplusplus
}
#endif

#endif
