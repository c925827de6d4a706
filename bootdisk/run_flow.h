/* One run of the boot drive tool, from the command line to the exit status. */
#ifndef OMBIX_BOOTDISK_RUN_FLOW_H
#define OMBIX_BOOTDISK_RUN_FLOW_H

#include <cstdio>

namespace ombix::bootdisk {

// Prints every line to out and returns the exit status, 0 or 1.
int run_vxbootdisk(int argc, const char *const *argv, FILE *out);

}  // namespace ombix::bootdisk

#endif
