// GET /metrics of `ombixd --board linux` on a real kernel: promtool accepts
// the exposition, and its sensors, fans, batteries and counters are what the
// same calls answer over the API.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board_guest.h"
#include "exposition_text.h"
#include "ombixRemoteCall.h"

namespace {

using ombix::kernel_test::BoardGuest;
using ombix::kernel_test::BoardGuestOptions;
using ombix::kernel_test::Guest;

const char *const kDevices = R"sh(
echo lm75 0x48 > /sys/bus/i2c/devices/i2c-$(stub)/new_device
echo max6650 0x1b > /sys/bus/i2c/devices/i2c-$(stub)/new_device
)sh";

std::string run(const std::string &command, int &status) {
    std::string output;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char block[4096];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, pipe)) > 0) output.append(block, n);
    status = ::pclose(pipe);
    return output;
}

class MetricsOnKernel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Guest::skip_reason()) return;
        board_ = std::make_unique<BoardGuest>(BoardGuestOptions{
            {"i2c-stub chip_addr=0x48,0x1b", "i2c-dev", "lm75", "max6650", "test_power", "softdog soft_margin=37"},
            {},
            "",
            kDevices});
    }
    static void TearDownTestSuite() { board_.reset(); }
    void SetUp() override {
        OMBIX_SKIP_WITHOUT_QEMU();
        ASSERT_TRUE(board_ && board_->ready) << (board_ ? board_->why() : "");
    }
    static std::unique_ptr<BoardGuest> board_;
};

std::unique_ptr<BoardGuest> MetricsOnKernel::board_;

TEST_F(MetricsOnKernel, promtool_accepts_the_exposition_and_its_values_are_what_the_calls_answer) {
    const std::string file = ::testing::TempDir() + "ombix-kernel-metrics.txt";
    int status = -1;
    run("curl -sf --noproxy '*' -o " + file + " " + board_->url() + "/metrics", status);
    ASSERT_EQ(status, 0);
    std::string lint = run("promtool check metrics < " + file + " 2>&1", status);
    EXPECT_EQ(status, 0) << lint;
    std::string text = run("cat " + file, status);
    std::remove(file.c_str());
    auto all = ombix::test::samples(text);

    const int32_t h = board_->handle;
    int32_t count = 0;
    ASSERT_EQ(OmbixR_GetTempSensorCount(h, &count), OMBIX_RC_OK);
    ASSERT_GT(count, 0);
    std::vector<SENSOR_VALUE> sensors(static_cast<std::size_t>(count));
    ASSERT_EQ(OmbixR_GetTempSensorList(h, sensors.data(), count), OMBIX_RC_OK);
    for (int32_t k = 0; k < count; ++k) {
        std::string series = "ombix_temperature_celsius{sensor=\"" + std::to_string(k) + "\",name=\"" +
                             sensors[static_cast<std::size_t>(k)].name + "\"}";
        ASSERT_EQ(all.count(series), 1u) << series << "\n" << text;
        EXPECT_EQ(all[series], sensors[static_cast<std::size_t>(k)].value) << series;
    }
    uint8_t pwm = 0;
    int32_t rpm = 0;
    ASSERT_EQ(OmbixR_GetFanSpeed(h, 0, &pwm, &rpm), OMBIX_RC_OK);
    EXPECT_EQ(all["ombix_fan_speed_rpm{fan=\"0\",name=\"max6650 fan1\"}"], rpm) << text;
    EXPECT_EQ(all["ombix_fan_pwm{fan=\"0\",name=\"max6650 fan1\"}"], pwm);
    int8_t batteries = 0;
    ASSERT_EQ(OmbixR_GetBatteryCount(h, &batteries), OMBIX_RC_OK);
    ASSERT_GT(batteries, 0);
    BATTERY_STATE battery{};
    ASSERT_EQ(OmbixR_GetBatteryState(h, 0, &battery), OMBIX_RC_OK);
    std::size_t voltages = 0;
    for (const auto &[series, value] : all) {
        if (series.rfind("ombix_battery_voltage_volts{battery=\"0\"", 0) != 0) continue;
        ++voltages;
        EXPECT_DOUBLE_EQ(value, battery.currentVoltage * 0.001);
    }
    EXPECT_EQ(voltages, 1u) << text;
    int32_t max_timeout = 0;
    ASSERT_EQ(OmbixR_WatchdogGetCap(h, &max_timeout), OMBIX_RC_OK);
    EXPECT_EQ(all["ombix_watchdog_max_timeout_seconds"], max_timeout);
    int32_t boots = 0;
    ASSERT_EQ(OmbixR_GetBootCounter(h, &boots), OMBIX_RC_OK);
    EXPECT_EQ(all["ombix_boots_total"], boots);
    int32_t up = 0;
    ASSERT_EQ(OmbixR_SystemUpTime(h, &up), OMBIX_RC_OK);
    EXPECT_LE(all["ombix_up_time_seconds"], up);
    EXPECT_GE(all["ombix_up_time_seconds"], up - 30);  // read before, on a slow emulated machine
    // The Linux board fails the chipset temperature (no pch chip): counted, not fatal.
    EXPECT_EQ(all.count("ombix_chipset_temperature_celsius"), 0u);
    EXPECT_GE(all["ombix_board_read_failures_total{call=\"OmbixGetChipsetTemp\"}"], 1);
}

}  // namespace
