// All 16 record and list stubs end to end: through the loopback transport to
// the simulated board and back, compared with what the board holds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ombixRemoteCall.h"
#include "records.h"
#include "sim_control.h"

namespace sim = ombix::sim;

namespace {

constexpr unsigned char kUntouched = 0x5A;

class RecordEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    void TearDown() override { sim::reset(); }
};

template <typename R>
R untouched() {
    R record;
    std::memset(&record, kUntouched, sizeof record);
    return record;
}

// Field by field, so that padding does not count.
template <typename R>
bool same_fields(const R &a, const R &b) {
    const ombix::RecordLayout &layout = ombix::layout_of<R>::value;
    for (std::size_t k = 0; k < layout.count; ++k) {
        const ombix::Field &f = layout.fields[k];
        if (std::memcmp(reinterpret_cast<const char *>(&a) + f.offset, reinterpret_cast<const char *>(&b) + f.offset,
                        f.size) != 0) {
            return false;
        }
    }
    return true;
}

template <typename R, typename Stub>
void expect_record(const R &expected, Stub stub) {
    R received = untouched<R>();
    EXPECT_EQ(stub(&received), 0);
    EXPECT_TRUE(same_fields(received, expected));
}

template <typename R, typename Stub>
void expect_list(const std::vector<R> &expected, Stub stub) {
    // One more than the board has: that entry travels zero-filled.
    std::vector<R> received(expected.size() + 1, untouched<R>());
    EXPECT_EQ(stub(received.data(), static_cast<std::int32_t>(received.size())), 0);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(same_fields(received[i], expected[i])) << i;
    EXPECT_TRUE(same_fields(received.back(), R{}));
}

TEST_F(RecordEndToEnd, every_record_call_brings_back_what_the_board_reports) {
    const sim::RecordData &r = sim::board().records;
    expect_record(r.boardInfo, [](BOARD_INFO *x) { return OmbixR_GetBoardInfo(1, x); });
    expect_record(r.cpuInfo, [](CPU_INFO *x) { return OmbixR_GetCpuInfo(1, x); });
    expect_record(r.memoryInfo, [](MEMORY_INFO *x) { return OmbixR_GetMemoryInfo(1, x); });
    expect_record(r.libVersion, [](LIB_VERSION *x) { return OmbixR_GetLibVersion(1, x); });
    expect_record(r.memoryModules[1], [](MEMORY_MODULE *x) { return OmbixR_GetMemoryModuleInfo(1, 1, x); });
    expect_record(r.batteries[1], [](BATTERY_INFO *x) { return OmbixR_GetBatteryInfo(1, 1, x); });
    expect_record(r.batteryStates[0], [](BATTERY_STATE *x) { return OmbixR_GetBatteryState(1, 0, x); });
}

TEST_F(RecordEndToEnd, every_list_call_brings_back_the_boards_entries) {
    const sim::RecordData &r = sim::board().records;
    expect_list(r.diskDrives, [](DISK_DRIVE *a, std::int32_t n) { return OmbixR_GetDiskDriveList(1, a, n); });
    expect_list(r.diskPartitions,
                [](DISK_PARTITION *a, std::int32_t n) { return OmbixR_GetDiskDrivePartitionList(1, a, n); });
    expect_list(r.smartAttributes[1],
                [](SMART_ATTRIBUTE *a, std::int32_t n) { return OmbixR_GetDiskDriveSMARTAttrs(1, 1, a, n); });
    expect_list(r.pciDevices, [](PCI_DEVICE *a, std::int32_t n) { return OmbixR_GetPciDeviceList(1, a, n); });
    expect_list(r.networkDevices,
                [](NETWORK_DEVICE *a, std::int32_t n) { return OmbixR_GetNetworkDeviceList(1, a, n); });

    SENSOR_VALUE temps[4];
    ASSERT_EQ(OmbixR_GetTempSensorList(1, temps, 4), 0);
    EXPECT_STREQ(temps[0].name, sim::board().tempSensors[0].name.c_str());
    EXPECT_EQ(temps[3].value, sim::board().tempSensors[3].value);
    SENSOR_VALUE volts[5];
    ASSERT_EQ(OmbixR_GetVoltageSensorList(1, volts, 5), 0);
    EXPECT_STREQ(volts[4].name, sim::board().voltageSensors[4].name.c_str());
    EXPECT_EQ(volts[4].value, sim::board().voltageSensors[4].value);
    FAN_INFO fans[3];
    ASSERT_EQ(OmbixR_GetFanList(1, fans, 3), 0);
    EXPECT_STREQ(fans[2].name, sim::board().fans[2].name.c_str());
    EXPECT_EQ(fans[2].rpm, static_cast<std::uint32_t>(sim::board().fans[2].rpm));
    EXPECT_EQ(fans[2].pwm, sim::board().fans[2].pwm);
}

TEST_F(RecordEndToEnd, a_performance_state_description_arrives_as_128_bytes) {
    std::uint8_t buffer[128];
    std::memset(buffer, kUntouched, sizeof buffer);
    ASSERT_EQ(OmbixR_GetPerformanceStateDescription(1, 3, buffer), 0);
    std::vector<std::uint8_t> expected(128, 0);
    const std::string &text = sim::board().records.performanceStates[3];
    std::memcpy(expected.data(), text.data(), text.size());
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 128), expected);

    std::memset(buffer, kUntouched, sizeof buffer);
    EXPECT_EQ(OmbixR_GetPerformanceStateDescription(1, 9, buffer), sim::kNoDevice);
    EXPECT_EQ(buffer[0], kUntouched);
}

TEST_F(RecordEndToEnd, a_full_list_of_512_travels_and_513_is_refused_untouched) {
    auto &devices = sim::board().records.pciDevices;
    devices.resize(512, devices[0]);
    for (std::size_t i = 0; i < devices.size(); ++i) devices[i].slot = static_cast<std::int32_t>(i);
    std::vector<PCI_DEVICE> received(513, untouched<PCI_DEVICE>());
    ASSERT_EQ(OmbixR_GetPciDeviceList(1, received.data(), 512), 0);
    for (std::size_t i = 0; i < 512; ++i) ASSERT_TRUE(same_fields(received[i], devices[i])) << i;

    std::vector<PCI_DEVICE> refused(2, untouched<PCI_DEVICE>());
    EXPECT_EQ(OmbixR_GetPciDeviceList(1, refused.data(), 513), OMBIX_RC_OVER_LIMIT);
    EXPECT_EQ(OmbixR_GetPciDeviceList(1, refused.data(), -1), OMBIX_RC_OVER_LIMIT);
    EXPECT_TRUE(same_fields(refused[0], untouched<PCI_DEVICE>()));
}

TEST_F(RecordEndToEnd, a_text_the_server_cannot_send_fails_the_call_on_the_client) {
    sim::set_text(sim::board().records.boardInfo.biosVersion, "R1.27\xFF");
    BOARD_INFO info = untouched<BOARD_INFO>();
    EXPECT_EQ(OmbixR_GetBoardInfo(1, &info), OMBIX_RC_VALUE_MISMATCH);
    EXPECT_STREQ(info.boardSerialNumber, sim::board().records.boardInfo.boardSerialNumber);
}

}  // namespace
