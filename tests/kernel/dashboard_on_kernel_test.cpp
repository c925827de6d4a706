// The dashboard of `ombixd --board linux` on a real kernel, in headless
// Chromium: a temperature and a fan speed set from outside, in the chips'
// registers (i2c-stub), are what its charts and tables show.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "board_guest.h"

namespace {

using ombix::kernel_test::BoardGuest;
using ombix::kernel_test::BoardGuestOptions;
using ombix::kernel_test::Guest;

const char *const kDevices = R"sh(
echo lm75 0x48 > /sys/bus/i2c/devices/i2c-$(stub)/new_device
echo max6650 0x1b > /sys/bus/i2c/devices/i2c-$(stub)/new_device
)sh";

class DashboardOnKernel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Guest::skip_reason() || std::string(OMBIX_BROWSER_CHECK).empty()) return;
        board_ = std::make_unique<BoardGuest>(
            BoardGuestOptions{{"i2c-stub chip_addr=0x48,0x1b", "i2c-dev", "lm75", "max6650"}, {}, "", kDevices});
    }
    static void TearDownTestSuite() { board_.reset(); }
    void SetUp() override {
        OMBIX_SKIP_WITHOUT_QEMU();
        if (std::string(OMBIX_BROWSER_CHECK).empty()) GTEST_SKIP() << "browser tests are off (OMBIX_BROWSER_TESTS)";
        ASSERT_TRUE(board_ && board_->ready) << (board_ ? board_->why() : "");
    }
    static std::unique_ptr<BoardGuest> board_;
};

std::unique_ptr<BoardGuest> DashboardOnKernel::board_;

TEST_F(DashboardOnKernel, the_charts_show_the_temperature_and_fan_speed_set_in_the_chips) {
    // 41 degrees in the lm75 (low byte first); the max6650's tachometer counts
    // 30 pulses in its 0.25 s window, 3600 rpm at two pulses a turn.
    board_->out("i2cset -f -y $(stub) 0x48 0x00 0x0029 w && i2cset -f -y $(stub) 0x1b 0x0c 30");
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));  // the drivers' caches
    // The guest's ombixd takes no token: the page signs in with any.
    const std::string command = std::string(OMBIX_BROWSER_ENVIRONMENT) + " " + OMBIX_NODE_PROGRAM + " " +
                                OMBIX_BROWSER_CHECK + " " + board_->url() +
                                " any-token 'lm75 temp1=41' 'max6650 fan1=3600' 2>&1";
    std::string output;
    FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char block[4096];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, pipe)) > 0) output.append(block, n);
    EXPECT_EQ(::pclose(pipe), 0) << output;
}

}  // namespace
