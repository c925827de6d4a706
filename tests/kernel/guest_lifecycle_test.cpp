// How guests end: by their own power-off or reboot request (QEMU exits by
// itself), or with a failure that names its cause and leaves no QEMU behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <iostream>

#include "guest.h"

namespace {

using ombix::kernel_test::Guest;
using ombix::kernel_test::GuestOptions;

TEST(GuestLifecycle, a_power_off_in_the_guest_ends_qemu_by_itself) {
    OMBIX_SKIP_WITHOUT_QEMU();
    Guest guest;
    ASSERT_TRUE(guest.up()) << guest.failure();
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(guest.power_off());
    EXPECT_EQ(guest.qemu_exit_status(), 0);
    std::cout << "boot to ready " << guest.boot_seconds() << " s, power-off "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() << " s\n";
}

TEST(GuestLifecycle, a_reboot_request_ends_qemu_since_it_runs_without_reboot) {
    OMBIX_SKIP_WITHOUT_QEMU();
    Guest guest;
    ASSERT_TRUE(guest.up()) << guest.failure();
    ASSERT_TRUE(guest.send("reboot -f"));
    EXPECT_TRUE(guest.wait_for_exit(60));
    EXPECT_FALSE(guest.shell("true").ok());
}

TEST(GuestLifecycle, a_guest_that_cannot_load_its_modules_says_why_and_leaves_no_qemu) {
    OMBIX_SKIP_WITHOUT_QEMU();
    pid_t qemu = 0;
    {
        GuestOptions options;
        options.modules = {"i2c-dev", "no_such_module_anywhere"};
        Guest guest(options);
        EXPECT_FALSE(guest.up());
        EXPECT_NE(guest.failure().find("no_such_module_anywhere"), std::string::npos) << guest.failure();
        qemu = guest.qemu_pid();
        ASSERT_GT(qemu, 0);
    }
    EXPECT_EQ(kill(qemu, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

}  // namespace
