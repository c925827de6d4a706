// Every call over HTTP against a real ombixd on the simulated board gives what
// the same call gives when made directly on a simulated board in this process:
// the same code and, for 0 and 16, the same outputs, field by field and byte
// by byte. Both boards start in the same state and see the same calls in the
// same order, so a set call followed by a get checks that the set arrived.
#include <gtest/gtest.h>
#include <jansson.h>

#include <map>
#include <string>

#include "call_runner.h"
#include "call_table.h"
#include "json_text.h"
#include "ombixRemoteCall.h"
#include "ombix_api.h"
#include "ombix_http_transport.h"
#include "server_process.h"
#include "sim_control.h"

namespace {

using ombix::cli::Arguments;
using ombix::cli::CallResult;
using ombix::cli::invoke;
using ombix::cli::Invoker;

struct Call {
    const ombix::calls::CallDescription *info;
    Invoker remote;  // the OmbixR_ stub, over HTTP
    Invoker local;   // the Ombix function of the simulated board in this process
};

const Call kCalls[] = {
#define OMBIX_CALL(name, arguments)                                                  \
    {&ombix::calls::name::kDescription, &invoke<ombix::calls::name, &OmbixR_##name>, \
     &invoke<ombix::calls::name, &Ombix##name>},
#include "ombix_calls.h"
#undef OMBIX_CALL
};

// Arguments by call; calls not listed take none. Sets come before the gets
// that show them, in the order of the call list.
const std::map<std::string, Arguments> kArguments = {
    {"OmbixGetCpuFreq", {{"freqType", "2"}}},
    {"OmbixGetCpuTemp", {{"cpuNr", "1"}}},
    {"OmbixSetCpuPerformance", {{"performancePercentage", "75"}}},
    {"OmbixSetSystemState", {{"systemState", "2"}}},
    {"OmbixPasswd", {{"newPassword", "s3cret \"quoted\" ü"}, {"oldPassword", "admin"}}},
    {"OmbixSetPerformanceState", {{"state", "3"}}},
    {"OmbixGetPerformanceStateDescription", {{"state", "2"}}},
    {"OmbixGetMemoryModuleInfo", {{"moduleNr", "1"}}},
    {"OmbixGetDiskDriveList", {{"diskDriveCount", "2"}}},
    {"OmbixGetDiskDrivePartitionList", {{"diskPartitionCount", "3"}}},
    {"OmbixGetDiskDriveSMARTAttrCount", {{"diskNr", "0"}}},
    {"OmbixGetDiskDriveSMARTAttrs", {{"diskNr", "0"}, {"attrCount", "12"}}},
    {"OmbixGetBatteryInfo", {{"slotNr", "1"}}},
    {"OmbixGetBatteryState", {{"slotNr", "0"}}},
    {"OmbixGetTempSensorList", {{"tempSensorCount", "4"}}},
    {"OmbixGetTempSensorValue", {{"tempSensorNr", "3"}}},
    {"OmbixGetVoltageSensorList", {{"voltageSensorCount", "5"}}},
    {"OmbixGetVoltageSensorValue", {{"voltageSensorNr", "4"}}},
    {"OmbixGetFanList", {{"fanCount", "3"}}},
    {"OmbixGetFanSpeed", {{"fanNr", "2"}}},
    {"OmbixGetFanMode", {{"fanNr", "2"}}},
    {"OmbixSetFanModeManual", {{"fanNr", "2"}, {"targetPwm", "200"}}},
    {"OmbixSetFanModeManualRpm", {{"fanNr", "1"}, {"targetRpm", "4000"}}},
    {"OmbixSetFanModeThermalCruise", {{"fanNr", "0"}, {"targetTemp", "60"}, {"toleranceTemp", "4"}}},
    {"OmbixSetCpuFanSpeed", {{"cpuFanSpeedPwm", "255"}}},
    {"OmbixSetCpuFanSpeedRpm", {{"cpuFanSpeedRpm", "3000"}}},
    {"OmbixSetSystemFanSpeed", {{"systemFanSpeedPwm", "10"}}},
    {"OmbixSetSystemFanSpeedRpm", {{"systemFanSpeedRpm", "900"}}},
    {"OmbixGetBacklightValue", {{"displayNr", "1"}}},
    {"OmbixSetBacklightValue", {{"displayNr", "1"}, {"backlight", "42"}}},
    {"OmbixGetNetworkDeviceList", {{"networkDeviceCount", "2"}}},
    {"OmbixGetPciDeviceList", {{"pciDeviceCount", "6"}}},
    {"OmbixGetStorageSize", {{"storageNr", "1"}}},
    {"OmbixStorageRead", {{"storageNr", "1"}, {"offset", "16"}, {"dataLength", "8"}}},
    {"OmbixStorageWrite", {{"storageNr", "1"}, {"offset", "16"}, {"data", "0102030405fe"}}},
    {"OmbixI2cProbe", {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"memoryAddress", "0"}, {"memoryAddressUsed", "1"}}},
    {"OmbixI2cRead",
     {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"memoryAddress", "0"}, {"memoryAddressUsed", "1"}, {"dataLength", "8"}}},
    {"OmbixI2cWrite", {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"memoryAddress", "0"}, {"data", "a1a2a3"}}},
    {"OmbixI2cXfer", {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"writeData", "00"}, {"readLength", "4"}}},
    {"OmbixSmbusQuickCommand", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"operation", "1"}}},
    {"OmbixSmbusSendByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"byte", "0x11"}}},
    {"OmbixSmbusReceiveByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}}},
    {"OmbixSmbusWriteByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "1"}, {"byte", "0x22"}}},
    {"OmbixSmbusReadByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "1"}}},
    {"OmbixSmbusWriteWord", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "2"}, {"word", "0xbeef"}}},
    {"OmbixSmbusReadWord", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "2"}}},
    {"OmbixSmbusWriteBlock", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "3"}, {"data", "01020304"}}},
    {"OmbixSmbusReadBlock", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "3"}, {"dataLength", "32"}}},
    {"OmbixSpiXfer",
     {{"spiNr", "0"},
      {"deviceId", "0"},
      {"command", "0x02000010"},
      {"commandSize", "4"},
      {"numTransfers", "4"},
      {"writeData", "c0ffee00"}}},
    {"OmbixGpioGetDirection", {{"gpioNr", "3"}}},
    {"OmbixGpioGetDirectionCaps", {{"gpioNr", "1"}}},
    {"OmbixGpioSetDirection", {{"gpioNr", "3"}, {"direction", "1"}}},
    {"OmbixGpioGetLevel", {{"gpioNr", "3"}}},
    {"OmbixGpioSetLevel", {{"gpioNr", "3"}, {"level", "0"}}},
    {"OmbixWatchdogEnable", {{"timeout", "30"}}},
};

std::string outputs_text(const CallResult &result) {
    return ombix::test::text_of(result.outputs);
}

class AllCallsOverHttp : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        ASSERT_TRUE(server.started());
        OMBIX_HTTP_OPTIONS options{server.url().c_str(), nullptr, 10000, nullptr};
        ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
        ombix::sim::reset();
    }
    void TearDown() override { OmbixHttpClose(handle); }

    ombix::test::ServerProcess server;
    std::int32_t handle = 0;
};

TEST_F(AllCallsOverHttp, every_call_gives_the_code_and_outputs_of_the_local_call) {
    std::size_t succeeded = 0;
    for (const Call &call : kCalls) {
        SCOPED_TRACE(call.info->name);
        auto found = kArguments.find(call.info->name);
        const Arguments arguments = found != kArguments.end() ? found->second : Arguments{};

        CallResult remote = ombix::cli::execute(*call.info, call.remote, handle, arguments);
        ASSERT_TRUE(remote.ran) << remote.error;
        CallResult local = ombix::cli::execute(*call.info, call.local, 0, arguments);
        ASSERT_TRUE(local.ran) << local.error;
        EXPECT_EQ(remote.code, local.code) << OmbixTransportLastError();
        if (remote.code == OMBIX_RC_OK || remote.code == OMBIX_RC_OUTPUTS_VALID) ++succeeded;
        EXPECT_EQ(outputs_text(remote), outputs_text(local));
        json_decref(remote.outputs);
        json_decref(local.outputs);
    }
    EXPECT_EQ(std::size(kCalls), 88u);
    // The arguments above are chosen so that the board can do what they ask:
    // a failure on both sides alike would compare equal and prove little.
    EXPECT_EQ(succeeded, std::size(kCalls));
}

TEST_F(AllCallsOverHttp, known_values_of_the_simulated_board_arrive_unchanged) {
    std::uint8_t pwm = 0;
    std::int32_t rpm = 0;
    ASSERT_EQ(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_RC_OK);
    EXPECT_EQ(pwm, 128);
    EXPECT_EQ(rpm, 2400);
    std::int32_t boot_count = 0;
    ASSERT_EQ(OmbixR_GetBootCounter(handle, &boot_count), OMBIX_RC_OK);
    EXPECT_EQ(boot_count, 1342);
    // A code of the board API itself comes back as it is, outputs untouched.
    rpm = -5;
    EXPECT_EQ(OmbixR_GetFanSpeed(handle, 7, &pwm, &rpm), ombix::sim::kNoDevice);
    EXPECT_EQ(rpm, -5);
}

TEST_F(AllCallsOverHttp, the_largest_storage_transfer_crosses_in_both_directions) {
    std::string written(OMBIX_MAX_TRANSFER_BYTES, '\0');
    for (std::size_t k = 0; k < written.size(); ++k) written[k] = static_cast<char>(k * 7 + k / 256);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(written.data());
    ASSERT_EQ(OmbixR_StorageWrite(handle, 0, 0, bytes, OMBIX_MAX_TRANSFER_BYTES), OMBIX_RC_OK)
        << OmbixTransportLastError();
    std::string read(OMBIX_MAX_TRANSFER_BYTES, '\0');
    ASSERT_EQ(OmbixR_StorageRead(handle, 0, 0, reinterpret_cast<std::uint8_t *>(read.data()), OMBIX_MAX_TRANSFER_BYTES),
              OMBIX_RC_OK)
        << OmbixTransportLastError();
    EXPECT_TRUE(read == written);
}

}  // namespace
