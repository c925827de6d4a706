// Every scalar call, checked against its reference row: the names, positions
// and widths of its parameters and outputs as the executor handles them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

using namespace ombix::test;
namespace sim = ombix::sim;

namespace {

// "name:width" items separated by blanks; widths s8 u8 s32 u32 text.
struct Row {
    const char *call;
    const char *params;
    const char *outputs;
};

const Row kRows[] = {
    {"OmbixGetBacklightValue", "displayNr:s32", "backlight:s32"},
    {"OmbixGetBatteryCount", "", "batteryCount:s8"},
    {"OmbixGetBootCounter", "", "bootCount:s32"},
    {"OmbixGetChipsetTemp", "", "chipsetTemp:s32"},
    {"OmbixGetCpuFanSpeed", "", "cpuFanRpm:s32"},
    {"OmbixGetCpuFreq", "freqType:s8", "frequency:s32"},
    {"OmbixGetCpuPerformance", "", "performancePercentage:s8"},
    {"OmbixGetCpuTemp", "cpuNr:s32", "cpuTemp:s32"},
    {"OmbixGetDiskDriveCount", "", "diskDriveCount:s32"},
    {"OmbixGetDiskDrivePartitionCount", "", "diskPartitionCount:s32"},
    {"OmbixGetDiskDriveSMARTAttrCount", "diskNr:s32", "attrCount:s32"},
    {"OmbixGetDisplayCount", "", "displayCount:s32"},
    {"OmbixGetFanCount", "", "fanCount:s32"},
    {"OmbixGetFanMode", "fanNr:s32", "fanMode:u8"},
    {"OmbixGetFanSpeed", "fanNr:s32", "pwm:u8 rpm:s32"},
    {"OmbixGetI2cBusCount", "", "i2cBusCount:u8"},
    {"OmbixGetIntruderStatus", "", "intruderStatus:s32"},
    {"OmbixGetMemoryModuleCount", "", "memoryModuleCount:s32"},
    {"OmbixGetNetworkDeviceCount", "", "networkDeviceCount:s32"},
    {"OmbixGetPciDeviceCount", "", "pciDeviceCount:s32"},
    {"OmbixGetPerformanceState", "", "state:u32"},
    {"OmbixGetSmbusCount", "", "smbusCount:u8"},
    {"OmbixGetSpiBusCount", "", "spiBusCount:u8"},
    {"OmbixGetStorageCount", "", "storageCount:s32"},
    {"OmbixGetStorageSize", "storageNr:s32", "storageSize:s32"},
    {"OmbixGetSystemFanSpeed", "", "systemFanRpm:s32"},
    {"OmbixGetSystemTemp", "", "systemTemp:s32"},
    {"OmbixGetTempSensorCount", "", "tempSensorCount:s32"},
    {"OmbixGetTempSensorValue", "tempSensorNr:s32", "tempSensorValue:s32"},
    {"OmbixGetVoltageSensorCount", "", "voltageSensorCount:s32"},
    {"OmbixGetVoltageSensorValue", "voltageSensorNr:s32", "voltageSensorValue:s32"},
    {"OmbixGpioGetCount", "", "gpioCount:u32"},
    {"OmbixGpioGetDirection", "gpioNr:u32", "direction:u8"},
    {"OmbixGpioGetDirectionCaps", "gpioNr:u32", "isInput:u8 isOutput:u8"},
    {"OmbixGpioGetLevel", "gpioNr:u32", "level:u8"},
    {"OmbixGpioSetDirection", "gpioNr:u32 direction:u8", ""},
    {"OmbixGpioSetLevel", "gpioNr:u32 level:u8", ""},
    {"OmbixPasswd", "newPassword:text oldPassword:text", ""},
    {"OmbixPerformanceStateCaps", "", "statesMask:u32"},
    {"OmbixResetIntruderStatus", "", ""},
    {"OmbixSetBacklightValue", "displayNr:s32 backlight:s32", ""},
    {"OmbixSetCpuFanSpeed", "cpuFanSpeedPwm:u8", ""},
    {"OmbixSetCpuFanSpeedRpm", "cpuFanSpeedRpm:u32", ""},
    {"OmbixSetCpuPerformance", "performancePercentage:s8", ""},
    {"OmbixSetFanModeManual", "fanNr:s32 targetPwm:u8", ""},
    {"OmbixSetFanModeManualRpm", "fanNr:s32 targetRpm:u32", ""},
    {"OmbixSetFanModeThermalCruise", "fanNr:u32 targetTemp:u32 toleranceTemp:u32", ""},
    {"OmbixSetPerformanceState", "state:u32", ""},
    {"OmbixSetSystemFanSpeed", "systemFanSpeedPwm:u8", ""},
    {"OmbixSetSystemFanSpeedRpm", "systemFanSpeedRpm:u32", ""},
    {"OmbixSetSystemState", "systemState:s32", ""},
    {"OmbixSystemUpTime", "", "systemUpTime:s32"},
    {"OmbixWatchdogDisable", "", ""},
    {"OmbixWatchdogEnable", "timeout:s32", ""},
    {"OmbixWatchdogGetCap", "", "maxTimeout:s32"},
    {"OmbixWatchdogTrigger", "", ""},
};

struct Member {
    std::string name;
    std::string width;
};

std::vector<Member> members(const char *items) {
    std::vector<Member> result;
    std::istringstream in(items);
    std::string item;
    while (in >> item) {
        auto colon = item.find(':');
        result.push_back({item.substr(0, colon), item.substr(colon + 1)});
    }
    return result;
}

// What a 32-bit pattern becomes at a width: as the API receives it, and as an
// output holding that pattern in all its bytes travels.
std::int64_t at_width(std::uint32_t bits, const std::string &width) {
    if (width == "s8") return static_cast<std::int8_t>(bits);
    if (width == "u8") return static_cast<std::uint8_t>(bits);
    if (width == "s32") return static_cast<std::int32_t>(bits);
    return bits;  // u32
}

std::string parameter_list(const std::vector<Member> &params, const std::string &value) {
    std::string list = "[";
    for (std::size_t k = 0; k < params.size(); ++k) {
        if (k > 0) list += ", ";
        std::string v = params[k].width == "text" ? "\"" + params[k].name + "-text\"" : value;
        list += R"({"i": ")" + params[k].name + R"(", "v": )" + v + "}";
    }
    return list + "]";
}

void PrintTo(const Row &row, std::ostream *os) {
    *os << row.call;
}

class ScalarTable : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override { sim::reset(); }
};

TEST_P(ScalarTable, parameters_reach_the_api_at_their_width) {
    const Row &row = GetParam();
    auto params = members(row.params);
    // 2^32 + 0xFFFFFF80: the low 32 bits are 0xFFFFFF80, whose low byte has its top bit set.
    for (std::uint64_t sent : {0x1FFFFFF80ull, 0x100000001ull, 0x7FFFFFFFull}) {
        sim::reset();
        sim::force_code(row.call, 0);
        JsonPtr list = parse(parameter_list(params, std::to_string(sent)));
        JsonPtr answer(ombixExecuteName(row.call, list.get()));
        ASSERT_NE(answer, nullptr);
        sim::CallRecord record = sim::last_call(row.call);
        ASSERT_EQ(record.name, row.call) << text_of(answer.get());
        EXPECT_EQ(record.handle, 0);
        ASSERT_GE(record.arguments.size(), params.size());
        for (std::size_t k = 0; k < params.size(); ++k) {
            if (params[k].width == "text") {
                EXPECT_EQ(record.arguments[k].text, params[k].name + "-text");
            } else {
                EXPECT_EQ(record.arguments[k].integer, at_width(static_cast<std::uint32_t>(sent), params[k].width))
                    << params[k].name;
            }
        }
    }
}

TEST_P(ScalarTable, outputs_travel_by_name_in_order_extended_from_their_width) {
    const Row &row = GetParam();
    auto params = members(row.params);
    auto outputs = members(row.outputs);
    for (std::uint8_t fill : {0xFF, 0x80, 0x7F, 0x00}) {
        sim::reset();
        sim::force_code(row.call, 0);
        sim::fill_outputs(fill);
        JsonPtr list = parse(parameter_list(params, "0"));
        JsonPtr answer(ombixExecuteName(row.call, list.get()));
        std::string expected = R"({"ret": 0, "outs": [)";
        for (std::size_t k = 0; k < outputs.size(); ++k) {
            std::uint32_t bits = fill * 0x01010101u;
            expected += (k > 0 ? ", " : "") + std::string(R"({"i": ")") + outputs[k].name + R"(", "v": )" +
                        std::to_string(at_width(bits, outputs[k].width)) + "}";
        }
        expected += "]}";
        EXPECT_EQ(text_of(answer.get()), canonical(expected));
    }
}

TEST_P(ScalarTable, a_list_one_element_too_long_is_refused_without_a_call) {
    const Row &row = GetParam();
    auto params = members(row.params);
    params.push_back({"extra", "s32"});
    JsonPtr list = parse(parameter_list(params, "1"));
    JsonPtr answer(ombixExecuteName(row.call, list.get()));
    JsonPtr expected = parse(R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": )" +
                             std::to_string(params.size() - 1) + "}}");
    EXPECT_TRUE(json_equal(answer.get(), expected.get())) << text_of(answer.get());
    EXPECT_TRUE(sim::calls().empty());
}

INSTANTIATE_TEST_SUITE_P(AllScalarCalls, ScalarTable, ::testing::ValuesIn(kRows));

}  // namespace
