// The boot drive tool's entry: one run, its lines on standard output.
#include <cstdio>

#include "run_flow.h"

int main(int argc, char **argv) {
    return ombix::bootdisk::run_vxbootdisk(argc, argv, stdout);
}
