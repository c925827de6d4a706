// Temperature and voltage sensors on a fake sysfs: numbers follow the
// devices' places, not hwmon or bus indices; names are unique; units are
// whole degrees and millivolts; the board file renames and assigns roles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_root.h"
#include "ombix_linux_board.h"

namespace {

using ombix::linux_test::configure;
using ombix::linux_test::FakeRoot;

// Two lm75 on two adapters and a chip of another driver. `swapped` builds
// the same machine as a boot with the other load order: hwmon and I2C bus
// numbers exchanged.
void two_lm75_and_a_monitor(FakeRoot &root, bool swapped) {
    int first_bus = swapped ? 5 : 1, second_bus = swapped ? 1 : 5;
    root.i2c_adapter(first_bus, "Adapter A");
    root.i2c_adapter(second_bus, "Adapter B");
    auto a = "i2c-" + std::to_string(first_bus) + "/" + std::to_string(first_bus) + "-0048";
    auto b = "i2c-" + std::to_string(second_bus) + "/" + std::to_string(second_bus) + "-0049";
    root.hwmon(swapped ? 2 : 0, a, "lm75", {{"temp1_input", "25500"}});
    root.hwmon(swapped ? 0 : 1, b, "lm75", {{"temp1_input", "-12500"}});
    root.hwmon(swapped ? 1 : 2, "platform/monitor.0", "monitor",
               {{"temp1_input", "41499"},
                {"temp1_label", "SYSTIN"},
                {"temp2_input", "52000"},
                {"in0_input", "1104"},
                {"in0_label", "Vcore"},
                {"in1_input", "12096"}});
}

struct Named {
    std::string name;
    int value;
};

std::vector<Named> temperatures() {
    int32_t count = 0;
    EXPECT_EQ(OmbixGetTempSensorCount(0, &count), OMBIX_RC_OK);
    std::vector<SENSOR_VALUE> list(static_cast<std::size_t>(count));
    EXPECT_EQ(OmbixGetTempSensorList(0, list.data(), count), OMBIX_RC_OK);
    std::vector<Named> named;
    for (const SENSOR_VALUE &s : list) named.push_back({s.name, s.value});
    return named;
}

TEST(LinuxSensors, numbers_and_names_stay_the_same_whatever_the_load_order) {
    std::vector<Named> expected = {
        {"lm75@0x48 temp1", 26}, {"lm75@0x49 temp1", -13}, {"monitor SYSTIN", 41}, {"monitor temp2", 52}};
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped ? "other load order" : "first load order");
        FakeRoot root;
        two_lm75_and_a_monitor(root, swapped);
        ASSERT_EQ(configure(root), OMBIX_RC_OK);
        std::vector<Named> found = temperatures();
        ASSERT_EQ(found.size(), expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].name, expected[i].name) << i;
            EXPECT_EQ(found[i].value, expected[i].value) << i;
            int32_t value = 0;
            EXPECT_EQ(OmbixGetTempSensorValue(0, static_cast<int32_t>(i), &value), OMBIX_RC_OK);
            EXPECT_EQ(value, expected[i].value);
        }
    }
}

TEST(LinuxSensors, temperatures_round_to_whole_degrees_half_away_from_zero) {
    struct Case {
        const char *millidegrees;
        int32_t celsius;
    };
    for (const Case &c : std::vector<Case>{{"0", 0},
                                           {"499", 0},
                                           {"500", 1},
                                           {"-500", -1},
                                           {"-499", 0},
                                           {"125000", 125},
                                           {"-40000", -40},
                                           {"41499\n", 41}}) {
        SCOPED_TRACE(c.millidegrees);
        FakeRoot root;
        root.hwmon(0, "platform/t.0", "t", {{"temp1_input", c.millidegrees}});
        ASSERT_EQ(configure(root), OMBIX_RC_OK);
        int32_t value = 99;
        EXPECT_EQ(OmbixGetTempSensorValue(0, 0, &value), OMBIX_RC_OK);
        EXPECT_EQ(value, c.celsius);
    }
}

TEST(LinuxSensors, a_reading_that_is_no_number_is_a_code_never_a_value) {
    for (const char *reading : {"", "abc", "12x", "99999999999999999999999"}) {
        SCOPED_TRACE(reading);
        FakeRoot root;
        root.hwmon(0, "platform/t.0", "t", {{"temp1_input", reading}});
        ASSERT_EQ(configure(root), OMBIX_RC_OK);
        int32_t value = 7;
        int32_t code = OmbixGetTempSensorValue(0, 0, &value);
        EXPECT_TRUE(OMBIX_LINUX_RC_IS_OS_ERROR(code)) << std::hex << code;
        SENSOR_VALUE list[1] = {};
        EXPECT_EQ(OmbixGetTempSensorList(0, list, 1), code);
    }
}

TEST(LinuxSensors, voltages_are_millivolts_in_channel_order) {
    FakeRoot root;
    two_lm75_and_a_monitor(root, false);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = 0;
    ASSERT_EQ(OmbixGetVoltageSensorCount(0, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 2);
    SENSOR_VALUE list[2] = {};
    ASSERT_EQ(OmbixGetVoltageSensorList(0, list, 2), OMBIX_RC_OK);
    EXPECT_STREQ(list[0].name, "monitor Vcore");
    EXPECT_EQ(list[0].value, 1104);
    EXPECT_STREQ(list[1].name, "monitor in1");
    EXPECT_EQ(list[1].value, 12096);
}

TEST(LinuxSensors, a_number_past_the_sensors_or_a_null_output_is_refused) {
    FakeRoot root;
    two_lm75_and_a_monitor(root, false);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t value = 0;
    EXPECT_EQ(OmbixGetTempSensorValue(0, 4, &value), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixGetTempSensorValue(0, -1, &value), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixGetVoltageSensorValue(0, 2, &value), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixGetTempSensorValue(0, 0, nullptr), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixGetTempSensorList(0, nullptr, 1), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixGetTempSensorList(0, nullptr, 0), OMBIX_RC_OK);
    // A list longer than the board leaves the records behind it as they were.
    SENSOR_VALUE list[6] = {};
    list[5].value = 77;
    EXPECT_EQ(OmbixGetTempSensorList(0, list, 6), OMBIX_RC_OK);
    EXPECT_EQ(list[5].value, 77);
}

TEST(LinuxSensors, the_board_file_names_sensors_and_picks_the_cpu_chipset_and_system_temperatures) {
    FakeRoot root;
    two_lm75_and_a_monitor(root, false);
    ASSERT_EQ(configure(root, R"({"sensorNames": {"lm75@0x48 temp1": "Inlet"},
                                  "temperatures": {"cpu": ["monitor temp2", "Inlet"], "chipset": "lm75@0x49 temp1",
                                                   "system": "monitor SYSTIN"}})"),
              OMBIX_RC_OK);
    EXPECT_EQ(temperatures()[0].name, "Inlet");
    int32_t value = 0;
    EXPECT_EQ(OmbixGetCpuTemp(0, 0, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 52);
    EXPECT_EQ(OmbixGetCpuTemp(0, 1, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 26);
    EXPECT_EQ(OmbixGetCpuTemp(0, 2, &value), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixGetChipsetTemp(0, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, -13);
    EXPECT_EQ(OmbixGetSystemTemp(0, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 41);
}

TEST(LinuxSensors, without_a_board_file_the_cpu_temperatures_are_the_package_sensors) {
    FakeRoot root;
    root.hwmon(3, "platform/coretemp.0", "coretemp",
               {{"temp1_input", "48000"},
                {"temp1_label", "Package id 0"},
                {"temp2_input", "45000"},
                {"temp2_label", "Core 0"}});
    root.hwmon(1, "platform/coretemp.1", "coretemp", {{"temp1_input", "51000"}, {"temp1_label", "Package id 1"}});
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t value = 0;
    EXPECT_EQ(OmbixGetCpuTemp(0, 0, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 48);
    EXPECT_EQ(OmbixGetCpuTemp(0, 1, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 51);
    // Nothing says which sensor is the chipset's or the system's.
    EXPECT_EQ(OmbixGetChipsetTemp(0, &value), OMBIX_LINUX_RC_NOT_SUPPORTED);
    EXPECT_EQ(OmbixGetSystemTemp(0, &value), OMBIX_LINUX_RC_NOT_SUPPORTED);
}

TEST(LinuxSensors, a_board_file_that_is_not_valid_is_refused_and_the_board_keeps_its_configuration) {
    FakeRoot root;
    two_lm75_and_a_monitor(root, false);
    ASSERT_EQ(configure(root, R"({"sensorNames": {"lm75@0x48 temp1": "Inlet"}})"), OMBIX_RC_OK);
    for (const char *bad : {"{", "[]", R"({"sensorNames": {"x": 3}})", R"({"temperature": {}})",
                            R"({"systemStates": ["halt"]})", R"({"gpio": {"lines": [{"chip": "a"}]}})",
                            R"({"fans": {"modes": {"f": {"rpm": "2"}}}})", R"({"a": 1, "a": 2})"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(configure(root, bad), OMBIX_LINUX_RC_BAD_BOARD_FILE);
        EXPECT_EQ(temperatures()[0].name, "Inlet");
    }
    OMBIX_LINUX_BOARD_SETTINGS missing{"/nonexistent/board.json", nullptr, root.path().c_str()};
    EXPECT_EQ(OmbixLinuxBoardConfigure(&missing), OMBIX_LINUX_RC_BAD_BOARD_FILE);
}

}  // namespace
