// Boots a kernel-test guest with i2c-stub and the rig's plain-I2C register
// device, and runs linux_buses_bench there (the host's program, in the
// guest's view of the host's root), printing its report. Arguments are passed
// on to the benchmark program.
#include <cstdio>
#include <string>

#include "guest.h"

using ombix::kernel_test::Guest;
using ombix::kernel_test::GuestCommand;
using ombix::kernel_test::GuestOptions;

int main(int argc, char **argv) {
    if (auto reason = Guest::skip_reason()) {
        std::fprintf(stderr, "linux_buses_in_guest: %s\n", reason->c_str());
        return 2;
    }
    GuestOptions options;
    options.modules = {"i2c-stub chip_addr=0x1c", "i2c-dev", "ombix_test_i2c"};
    Guest guest(options);
    if (!guest.up()) {
        std::fprintf(stderr, "linux_buses_in_guest: %s\n", guest.failure().c_str());
        return 1;
    }
    std::string command = LINUX_BUSES_BENCH_PATH;
    for (int i = 1; i < argc; ++i) command += std::string(" '") + argv[i] + "'";
    GuestCommand result = guest.host_shell(command + " 2>&1", 600);
    std::fputs(result.out.c_str(), stdout);
    std::fputs(result.err.c_str(), stderr);
    return result.status == 0 ? 0 : 1;
}
