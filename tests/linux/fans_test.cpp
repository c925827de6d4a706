// Fans on a fake sysfs: list entry k and fan number k are the same fan;
// modes map to the chip's pwmN_enable values; what a chip cannot do is
// "not supported", never a silent success.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_root.h"
#include "ombix_linux_board.h"

namespace {

using ombix::linux_test::configure;
using ombix::linux_test::FakeRoot;

const char *const kCruiseChip = "platform/superio.656";
const char *const kClosedLoopChip = "i2c-0/0-001b";

// A super-I/O style chip with thermal cruise (two fans), a closed-loop fan
// controller with a target speed, and a fan nobody drives.
void fans(FakeRoot &root) {
    root.i2c_adapter(0, "Adapter");
    root.hwmon(0, kCruiseChip, "nct6775",
               {{"fan1_input", "1200"},
                {"fan1_label", "CPUFAN"},
                {"pwm1", "128"},
                {"pwm1_enable", "5"},
                {"pwm1_target_temp", "0"},
                {"pwm1_temp_tolerance", "0"},
                {"fan2_input", "900"},
                {"fan2_label", "SYSFAN"},
                {"pwm2", "90"},
                {"pwm2_enable", "1"}});
    root.hwmon(2, kClosedLoopChip, "max6650",
               {{"fan1_input", "3000"}, {"pwm1", "200"}, {"pwm1_enable", "2"}, {"fan1_target", "3000"}});
    root.hwmon(1, "platform/tacho.0", "tacho", {{"fan1_input", "0"}});
}

std::string attribute(const FakeRoot &root, const std::string &device, const std::string &file) {
    std::string hwmon = device == kCruiseChip ? "hwmon0" : "hwmon2";
    std::string text = root.read("sys/devices/" + device + "/hwmon/" + hwmon + "/" + file);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

TEST(LinuxFans, list_entry_k_and_fan_number_k_are_the_same_fan) {
    FakeRoot root;
    fans(root);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = 0;
    ASSERT_EQ(OmbixGetFanCount(0, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 4);
    std::vector<FAN_INFO> list(4);
    ASSERT_EQ(OmbixGetFanList(0, list.data(), count), OMBIX_RC_OK);
    struct Expected {
        const char *name;
        uint32_t rpm;
        uint8_t pwm, mode;
    };
    std::vector<Expected> expected = {{"max6650 fan1", 3000, 200, 2},
                                      {"nct6775 CPUFAN", 1200, 128, 0},
                                      {"nct6775 SYSFAN", 900, 90, 1},
                                      {"tacho fan1", 0, 0, 0}};
    for (int32_t k = 0; k < count; ++k) {
        SCOPED_TRACE(k);
        EXPECT_STREQ(list[k].name, expected[k].name);
        EXPECT_EQ(list[k].rpm, expected[k].rpm);
        EXPECT_EQ(list[k].pwm, expected[k].pwm);
        EXPECT_EQ(list[k].method, expected[k].mode);
        EXPECT_EQ(list[k].powerMode, expected[k].rpm > 0 ? 1 : 0);
        uint8_t pwm = 0, mode = 9;
        int32_t rpm = 0;
        ASSERT_EQ(OmbixGetFanSpeed(0, k, &pwm, &rpm), OMBIX_RC_OK);
        EXPECT_EQ(static_cast<uint32_t>(rpm), expected[k].rpm);
        EXPECT_EQ(pwm, expected[k].pwm);
        ASSERT_EQ(OmbixGetFanMode(0, k, &mode), OMBIX_RC_OK);
        EXPECT_EQ(mode, expected[k].mode);
    }
}

TEST(LinuxFans, modes_write_the_chips_enable_values_and_targets) {
    FakeRoot root;
    fans(root);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    EXPECT_EQ(OmbixSetFanModeManual(0, 1, 77), OMBIX_RC_OK);
    EXPECT_EQ(attribute(root, kCruiseChip, "pwm1_enable"), "1");
    EXPECT_EQ(attribute(root, kCruiseChip, "pwm1"), "77");
    EXPECT_EQ(OmbixSetFanModeThermalCruise(0, 1, 45, 3), OMBIX_RC_OK);
    EXPECT_EQ(attribute(root, kCruiseChip, "pwm1_enable"), "2");
    EXPECT_EQ(attribute(root, kCruiseChip, "pwm1_target_temp"), "45000");
    EXPECT_EQ(attribute(root, kCruiseChip, "pwm1_temp_tolerance"), "3000");
    uint8_t mode = 0;
    EXPECT_EQ(OmbixGetFanMode(0, 1, &mode), OMBIX_RC_OK);
    EXPECT_EQ(mode, 3);
    EXPECT_EQ(OmbixSetFanModeManualRpm(0, 0, 2500), OMBIX_RC_OK);
    EXPECT_EQ(attribute(root, kClosedLoopChip, "fan1_target"), "2500");
    EXPECT_EQ(attribute(root, kClosedLoopChip, "pwm1_enable"), "2");
}

TEST(LinuxFans, what_a_chip_cannot_do_is_not_supported) {
    FakeRoot root;
    fans(root);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    struct Case {
        const char *what;
        int32_t code;
    };
    for (const Case &c : std::vector<Case>{
             {"rpm on a chip without a target", OmbixSetFanModeManualRpm(0, 1, 1000)},
             {"cruise on a chip without it", OmbixSetFanModeThermalCruise(0, 0, 40, 2)},
             {"pwm on an undriven fan", OmbixSetFanModeManual(0, 3, 10)},
             {"cruise tolerance without its attribute", OmbixSetFanModeThermalCruise(0, 2, 40, 0)},
         }) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.code, OMBIX_LINUX_RC_NOT_SUPPORTED);
    }
    EXPECT_EQ(OmbixSetFanModeManual(0, 4, 10), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixSetFanModeThermalCruise(0, 0xFFFFFFFFu, 40, 2), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixSetFanModeThermalCruise(0, 1, 300, 2), OMBIX_LINUX_RC_INVALID_ARGUMENT);
}

TEST(LinuxFans, the_cpu_and_system_fans_are_found_by_label_or_named_by_the_board_file) {
    FakeRoot root;
    fans(root);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t rpm = 0;
    EXPECT_EQ(OmbixGetCpuFanSpeed(0, &rpm), OMBIX_RC_OK);
    EXPECT_EQ(rpm, 1200);
    EXPECT_EQ(OmbixGetSystemFanSpeed(0, &rpm), OMBIX_RC_OK);
    EXPECT_EQ(rpm, 900);
    EXPECT_EQ(OmbixSetSystemFanSpeed(0, 33), OMBIX_RC_OK);
    EXPECT_EQ(attribute(root, kCruiseChip, "pwm2"), "33");

    ASSERT_EQ(configure(root, R"({"fans": {"cpu": "Blower", "system": "tacho fan1"},
                                  "fanNames": {"max6650 fan1": "Blower"}})"),
              OMBIX_RC_OK);
    EXPECT_EQ(OmbixGetCpuFanSpeed(0, &rpm), OMBIX_RC_OK);
    EXPECT_EQ(rpm, 3000);
    EXPECT_EQ(OmbixSetCpuFanSpeedRpm(0, 2800), OMBIX_RC_OK);
    EXPECT_EQ(attribute(root, kClosedLoopChip, "fan1_target"), "2800");
    EXPECT_EQ(OmbixSetSystemFanSpeed(0, 10), OMBIX_LINUX_RC_NOT_SUPPORTED);
    FAN_INFO first{};
    ASSERT_EQ(OmbixGetFanList(0, &first, 1), OMBIX_RC_OK);
    EXPECT_STREQ(first.name, "Blower");
}

TEST(LinuxFans, a_board_without_fans_says_so) {
    FakeRoot root;
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t value = 0;
    EXPECT_EQ(OmbixGetFanCount(0, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(OmbixGetCpuFanSpeed(0, &value), OMBIX_LINUX_RC_NOT_SUPPORTED);
    EXPECT_EQ(OmbixSetSystemFanSpeedRpm(0, 100), OMBIX_LINUX_RC_NOT_SUPPORTED);
    uint8_t pwm = 0;
    EXPECT_EQ(OmbixGetFanSpeed(0, 0, &pwm, &value), OMBIX_LINUX_RC_NO_DEVICE);
}

}  // namespace
