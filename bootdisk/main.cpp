#include <cstdio>

#include "run_flow.h"

int main(int argc, char **argv) {
    return runVxbootdisk(argc, argv, stdout);
}
