// Displays, batteries, DMI and SMBIOS, intrusion, cpufreq and network
// devices on a fake sysfs, in the records' units.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_root.h"
#include "ombix_linux_board.h"

namespace {

using ombix::linux_test::configure;
using ombix::linux_test::FakeRoot;

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

TEST(LinuxDevices, backlight_is_a_percentage_of_max_brightness_both_ways) {
    FakeRoot root;
    root.class_device("backlight", "panel", "platform/panel.0", {{"max_brightness", "937"}, {"brightness", "100"}});
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = 0, percent = 0;
    ASSERT_EQ(OmbixGetDisplayCount(0, &count), OMBIX_RC_OK);
    EXPECT_EQ(count, 1);
    struct Case {
        int32_t percent;
        const char *brightness;
    };
    for (const Case &c : std::vector<Case>{{0, "0"}, {1, "9"}, {50, "469"}, {100, "937"}}) {
        SCOPED_TRACE(c.percent);
        ASSERT_EQ(OmbixSetBacklightValue(0, 0, c.percent), OMBIX_RC_OK);
        EXPECT_EQ(trimmed(root.read("sys/devices/platform/panel.0/backlight/panel/brightness")), c.brightness);
        ASSERT_EQ(OmbixGetBacklightValue(0, 0, &percent), OMBIX_RC_OK);
        EXPECT_EQ(percent, c.percent);
    }
    EXPECT_EQ(OmbixSetBacklightValue(0, 0, 101), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixSetBacklightValue(0, 0, -1), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixSetBacklightValue(0, 1, 50), OMBIX_LINUX_RC_NO_DEVICE);
    root.file("sys/devices/platform/panel.0/backlight/panel/max_brightness", "0\n");
    EXPECT_EQ(OmbixGetBacklightValue(0, 0, &percent), OMBIX_LINUX_RC_OUT_OF_RANGE);
}

TEST(LinuxDevices, batteries_report_millivolts_milliwatt_hours_and_minutes) {
    FakeRoot root;
    root.class_device("power_supply", "AC", "platform/ac.0", {{"type", "Mains"}, {"online", "0"}});
    // Energy in µWh, the other in charge (µAh) with a design voltage; a mouse battery is not the board's.
    root.class_device("power_supply", "BAT0", "platform/bat.0",
                      {{"type", "Battery"},
                       {"status", "Discharging"},
                       {"technology", "Li-ion"},
                       {"model_name", "Main"},
                       {"serial_number", "S1"},
                       {"voltage_min_design", "11100000"},
                       {"energy_full_design", "48000000"},
                       {"energy_full", "45120000"},
                       {"energy_now", "26100000"},
                       {"voltage_now", "11840000"},
                       {"power_now", "1450000"},
                       {"time_to_empty_now", "18720"},
                       {"cycle_count", "212"}});
    root.class_device("power_supply", "BAT1", "platform/bat.1",
                      {{"type", "Battery"},
                       {"status", "Charging"},
                       {"voltage_min_design", "12000000"},
                       {"charge_full_design", "2000000"},
                       {"charge_full", "1900000"},
                       {"charge_now", "1000000"},
                       {"voltage_now", "12400000"},
                       {"current_now", "500000"},
                       {"time_to_full_now", "3600"}});
    root.class_device("power_supply", "mouse", "platform/hid.0",
                      {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}});
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int8_t count = 0;
    ASSERT_EQ(OmbixGetBatteryCount(0, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 2);

    BATTERY_INFO info{};
    ASSERT_EQ(OmbixGetBatteryInfo(0, 0, &info), OMBIX_RC_OK);
    EXPECT_STREQ(info.deviceName, "Main");
    EXPECT_STREQ(info.type, "Li-ion");
    EXPECT_STREQ(info.serialNumber, "S1");
    EXPECT_EQ(info.designedVoltage, 11100);
    EXPECT_EQ(info.designedCapacity, 48000);
    EXPECT_EQ(info.fullyChargedCapacity, 45120);
    EXPECT_EQ(info.cycleCount, 212);
    BATTERY_STATE state{};
    ASSERT_EQ(OmbixGetBatteryState(0, 0, &state), OMBIX_RC_OK);
    EXPECT_EQ(state.powerState, 0);
    EXPECT_EQ(state.chargeState, 2);
    EXPECT_EQ(state.remainingTime, 312);
    EXPECT_EQ(state.fullBatteryRemainingTime, -1);
    EXPECT_EQ(state.remainingCapacity, 26100);
    EXPECT_EQ(state.currentVoltage, 11840);
    EXPECT_EQ(state.rate, -1450);

    ASSERT_EQ(OmbixGetBatteryInfo(0, 1, &info), OMBIX_RC_OK);
    EXPECT_STREQ(info.deviceName, "BAT1");
    EXPECT_EQ(info.designedCapacity, 24000);  // 2000 mAh at 12 V
    EXPECT_EQ(info.fullyChargedCapacity, 22800);
    EXPECT_EQ(info.cycleCount, -1);
    ASSERT_EQ(OmbixGetBatteryState(0, 1, &state), OMBIX_RC_OK);
    EXPECT_EQ(state.chargeState, 1);
    EXPECT_EQ(state.fullBatteryRemainingTime, 60);
    EXPECT_EQ(state.remainingCapacity, 12000);
    EXPECT_EQ(state.rate, 6200);  // 500 mA at 12.4 V
    EXPECT_EQ(OmbixGetBatteryState(0, 2, &state), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixGetBatteryInfo(0, -1, &info), OMBIX_LINUX_RC_NO_DEVICE);
}

// An SMBIOS structure: type, formatted area after the 4-byte header, strings.
std::vector<unsigned char> smbios(unsigned char type, std::vector<unsigned char> formatted,
                                  const std::vector<std::string> &strings) {
    std::vector<unsigned char> raw;
    raw.reserve(formatted.size() + 64);
    for (unsigned char header :
         {type, static_cast<unsigned char>(formatted.size() + 4), std::uint8_t{0x11}, std::uint8_t{0}})
        raw.push_back(header);
    for (unsigned char byte : formatted) raw.push_back(byte);
    for (const std::string &s : strings) {
        for (char c : s) raw.push_back(static_cast<unsigned char>(c));
        raw.push_back(0);
    }
    if (strings.empty()) raw.push_back(0);
    raw.push_back(0);
    return raw;
}

// A memory device (type 17) of `size` (the raw size word) with DDR4 at 2400 MT/s.
std::vector<unsigned char> memory_device(unsigned size, unsigned extended_mb) {
    std::vector<unsigned char> f(0x28 - 4, 0);
    auto at = [&f](std::size_t offset) -> unsigned char & { return f[offset - 4]; };
    at(0x0C) = size & 0xFF;
    at(0x0D) = size >> 8;
    at(0x12) = 0x1A;  // DDR4
    at(0x15) = 2400 & 0xFF;
    at(0x16) = 2400 >> 8;
    at(0x17) = 1;  // manufacturer
    at(0x18) = 2;  // serial
    at(0x1A) = 3;  // part
    for (int i = 0; i < 4; ++i) at(0x1C + i) = extended_mb >> (8 * i) & 0xFF;
    return smbios(17, f, {"Modulemaker ", "A7F3C201", "MM4-8G"});
}

TEST(LinuxDevices, memory_modules_come_from_smbios_with_their_sizes_in_megabytes) {
    FakeRoot root;
    root.file("proc/meminfo", "MemTotal:       16384000 kB\nMemFree:  100 kB\nMemAvailable:   11480064 kB\n");
    root.bytes("sys/firmware/dmi/entries/17-0/raw", memory_device(8192, 0));
    root.bytes("sys/firmware/dmi/entries/17-1/raw", memory_device(0, 0));  // an empty slot
    root.bytes("sys/firmware/dmi/entries/17-2/raw", memory_device(0x7FFF, 65536));
    root.bytes("sys/firmware/dmi/entries/17-3/raw", memory_device(0x8000 | 512, 0));  // 512 KB
    root.bytes("sys/firmware/dmi/entries/17-4/raw", {17, 0x40, 0, 0});                // longer than it is: skipped
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    MEMORY_INFO info{};
    ASSERT_EQ(OmbixGetMemoryInfo(0, &info), OMBIX_RC_OK);
    EXPECT_EQ(info.memTotal, 16000);
    EXPECT_EQ(info.memFree, 11211);
    EXPECT_EQ(info.memSpeed, 2400);
    EXPECT_STREQ(info.memType, "DDR4");
    int32_t count = 0;
    ASSERT_EQ(OmbixGetMemoryModuleCount(0, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 3);
    struct Expected {
        int8_t number;
        int32_t megabytes;
    };
    for (const Expected &e : std::vector<Expected>{{0, 8192}, {1, 65536}, {2, 0}}) {
        SCOPED_TRACE(static_cast<int>(e.number));
        MEMORY_MODULE module{};
        ASSERT_EQ(OmbixGetMemoryModuleInfo(0, e.number, &module), OMBIX_RC_OK);
        EXPECT_EQ(module.moduleSize, e.megabytes);
        EXPECT_STREQ(module.manufacturer, "Modulemaker");
        EXPECT_STREQ(module.serialNumber, "A7F3C201");
        EXPECT_STREQ(module.partNumber, "MM4-8G");
    }
    MEMORY_MODULE module{};
    EXPECT_EQ(OmbixGetMemoryModuleInfo(0, 3, &module), OMBIX_LINUX_RC_NO_DEVICE);
}

TEST(LinuxDevices, board_info_takes_the_board_fields_and_falls_back_to_the_system_ones) {
    FakeRoot root;
    for (const char *f : {"sys_vendor=Maker", "product_name=Box", "product_version=2", "product_serial=SN",
                          "board_name=Carrier 7", "bios_version=R1", "bios_date=03/18/2026"}) {
        std::string field(f);
        root.file("sys/class/dmi/id/" + field.substr(0, field.find('=')), field.substr(field.find('=') + 1) + "\n");
    }
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    BOARD_INFO info{};
    ASSERT_EQ(OmbixGetBoardInfo(0, &info), OMBIX_RC_OK);
    EXPECT_STREQ(info.boardManufacturer, "Maker");
    EXPECT_STREQ(info.boardName, "Carrier 7");
    EXPECT_STREQ(info.boardVersion, "2");
    EXPECT_STREQ(info.boardSerialNumber, "SN");
    EXPECT_STREQ(info.biosVersion, "R1");
    EXPECT_STREQ(info.biosDate, "03/18/2026");
}

TEST(LinuxDevices, intrusion_alarms_are_read_and_reset) {
    FakeRoot root;
    root.hwmon(0, "platform/superio.656", "nct6775", {{"intrusion0_alarm", "1"}, {"intrusion1_alarm", "0"}});
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t status = 0;
    ASSERT_EQ(OmbixGetIntruderStatus(0, &status), OMBIX_RC_OK);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(OmbixResetIntruderStatus(0), OMBIX_RC_OK);
    EXPECT_EQ(trimmed(root.read("sys/devices/platform/superio.656/hwmon/hwmon0/intrusion0_alarm")), "0");
    ASSERT_EQ(OmbixGetIntruderStatus(0, &status), OMBIX_RC_OK);
    EXPECT_EQ(status, 0);

    FakeRoot bare;
    ASSERT_EQ(configure(bare), OMBIX_RC_OK);
    EXPECT_EQ(OmbixGetIntruderStatus(0, &status), OMBIX_LINUX_RC_NOT_SUPPORTED);
    EXPECT_EQ(OmbixResetIntruderStatus(0), OMBIX_LINUX_RC_NOT_SUPPORTED);
}

void cpufreq_policy(FakeRoot &root, int number, const char *available) {
    std::string folder = "sys/devices/system/cpu/cpufreq/policy" + std::to_string(number) + "/";
    root.file(folder + "cpuinfo_min_freq", "800000\n");
    root.file(folder + "cpuinfo_max_freq", "3400000\n");
    root.file(folder + "scaling_max_freq", "3400000\n");
    root.file(folder + "scaling_cur_freq", "1799999\n");
    if (available != nullptr) root.file(folder + "scaling_available_frequencies", available);
}

std::string description(uint32_t state) {
    uint8_t text[OMBIX_DESCRIPTION_SIZE];
    std::memset(text, 0xAA, sizeof text);
    EXPECT_EQ(OmbixGetPerformanceStateDescription(0, state, text), OMBIX_RC_OK);
    EXPECT_EQ(text[OMBIX_DESCRIPTION_SIZE - 1], 0);
    return reinterpret_cast<const char *>(text);
}

TEST(LinuxDevices, performance_states_are_the_drivers_frequencies_as_limits_on_every_policy) {
    FakeRoot root;
    cpufreq_policy(root, 0, "800000 2100000 3400000 1200000\n");
    cpufreq_policy(root, 1, "800000 2100000 3400000 1200000\n");
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    uint32_t mask = 0, state = 9;
    ASSERT_EQ(OmbixPerformanceStateCaps(0, &mask), OMBIX_RC_OK);
    EXPECT_EQ(mask, 0x0Fu);
    EXPECT_EQ(description(0), "P0: 3400 MHz");
    EXPECT_EQ(description(3), "P3: 800 MHz");
    ASSERT_EQ(OmbixSetPerformanceState(0, 1), OMBIX_RC_OK);
    for (const char *p : {"policy0", "policy1"}) {
        EXPECT_EQ(trimmed(root.read(std::string("sys/devices/system/cpu/cpufreq/") + p + "/scaling_max_freq")),
                  "2100000");
    }
    ASSERT_EQ(OmbixGetPerformanceState(0, &state), OMBIX_RC_OK);
    EXPECT_EQ(state, 1u);
    EXPECT_EQ(OmbixSetPerformanceState(0, 4), OMBIX_LINUX_RC_NO_DEVICE);
    int32_t mhz = 0;
    for (int8_t type : {0, 1, 2}) ASSERT_EQ(OmbixGetCpuFreq(0, type, &mhz), OMBIX_RC_OK);
    EXPECT_EQ(mhz, 3400);
    ASSERT_EQ(OmbixGetCpuFreq(0, 0, &mhz), OMBIX_RC_OK);
    EXPECT_EQ(mhz, 1800);
    EXPECT_EQ(OmbixGetCpuFreq(0, 3, &mhz), OMBIX_LINUX_RC_INVALID_ARGUMENT);
}

TEST(LinuxDevices, without_a_frequency_list_the_states_are_shares_of_the_range_and_performance_follows) {
    FakeRoot root;
    cpufreq_policy(root, 0, nullptr);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    uint32_t mask = 0;
    ASSERT_EQ(OmbixPerformanceStateCaps(0, &mask), OMBIX_RC_OK);
    EXPECT_EQ(mask, 0x0Fu);
    EXPECT_EQ(description(1), "P1: 75 % of 3400 MHz, 2550 MHz");
    EXPECT_EQ(description(3), "P3: 25 % of 3400 MHz, 850 MHz");
    ASSERT_EQ(OmbixSetCpuPerformance(0, 10), OMBIX_RC_OK);  // never below the minimum
    EXPECT_EQ(trimmed(root.read("sys/devices/system/cpu/cpufreq/policy0/scaling_max_freq")), "800000");
    ASSERT_EQ(OmbixSetCpuPerformance(0, 50), OMBIX_RC_OK);
    int8_t percent = 0;
    ASSERT_EQ(OmbixGetCpuPerformance(0, &percent), OMBIX_RC_OK);
    EXPECT_EQ(percent, 50);
    EXPECT_EQ(OmbixSetCpuPerformance(0, 101), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixSetCpuPerformance(0, -1), OMBIX_LINUX_RC_INVALID_ARGUMENT);

    FakeRoot bare;
    ASSERT_EQ(configure(bare), OMBIX_RC_OK);
    EXPECT_EQ(OmbixGetCpuPerformance(0, &percent), OMBIX_LINUX_RC_NOT_SUPPORTED);
    EXPECT_EQ(OmbixPerformanceStateCaps(0, &mask), OMBIX_LINUX_RC_NOT_SUPPORTED);
}

TEST(LinuxDevices, cpu_info_counts_packages_cores_and_threads_and_reads_caches) {
    FakeRoot root;
    root.file("proc/cpuinfo", "processor\t: 0\nmodel name\t: Test CPU @ 2.10GHz\n\nprocessor\t: 1\n");
    root.file("sys/devices/system/cpu/online", "0-3\n");
    for (int cpu = 0; cpu < 4; ++cpu) {
        std::string topology = "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/";
        root.file(topology + "physical_package_id", "0\n");
        root.file(topology + "core_id", std::to_string(cpu / 2) + "\n");
    }
    std::string cache = "sys/devices/system/cpu/cpu0/cache/";
    for (const char *c : {"index0:1:32K", "index1:1:32K", "index2:2:1024K", "index3:3:6M"}) {
        std::string entry(c);
        std::string index = entry.substr(0, entry.find(':'));
        root.file(cache + index + "/level", entry.substr(index.size() + 1, 1) + "\n");
        root.file(cache + index + "/size", entry.substr(index.size() + 3) + "\n");
    }
    cpufreq_policy(root, 0, nullptr);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    CPU_INFO info{};
    ASSERT_EQ(OmbixGetCpuInfo(0, &info), OMBIX_RC_OK);
    EXPECT_STREQ(info.cpuName, "Test CPU @ 2.10GHz");
    EXPECT_EQ(info.cpuCount, 1);
    EXPECT_EQ(info.cpuCoreCount, 2);
    EXPECT_EQ(info.cpuThreadCount, 4);
    EXPECT_FLOAT_EQ(info.cpuMaxCoreSpeed, 3.4f);
    EXPECT_EQ(info.l1Cache, 64);
    EXPECT_EQ(info.l2Cache, 1024);
    EXPECT_EQ(info.l3Cache, 6144);
}

TEST(LinuxDevices, network_devices_leave_out_loopback_and_report_an_unknown_speed_as_minus_one) {
    FakeRoot root;
    root.class_device("net", "lo", "virtual/net/lo", {{"type", "772"}, {"address", "00:00:00:00:00:00"}});
    root.class_device("net", "eth1", "pci0000:00/0000:00:03.0",
                      {{"type", "1"}, {"address", "02:00:00:00:00:02"}, {"speed", "1000"}});
    root.class_device("net", "eth0", "pci0000:00/0000:00:02.0", {{"type", "1"}, {"address", "02:00:00:00:00:01"}});
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = 0;
    ASSERT_EQ(OmbixGetNetworkDeviceCount(0, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 2);
    NETWORK_DEVICE list[2] = {};
    ASSERT_EQ(OmbixGetNetworkDeviceList(0, list, 2), OMBIX_RC_OK);
    EXPECT_STREQ(list[0].deviceName, "eth0");
    EXPECT_STREQ(list[0].mac, "02:00:00:00:00:01");
    EXPECT_EQ(list[0].speed, -1);
    EXPECT_STREQ(list[1].deviceName, "eth1");
    EXPECT_EQ(list[1].speed, 1000);
}

TEST(LinuxDevices, pci_devices_carry_their_ids_and_no_made_up_names) {
    FakeRoot root;
    std::string device = "sys/bus/pci/devices/0000:00:1f.3/";
    root.file(device + "vendor", "0x7fff\n");
    root.file(device + "device", "0x0bad\n");
    root.file(device + "class", "0x040300\n");
    root.file(device + "irq", "0\n");
    root.file(device + "resource", "");
    root.bytes(device + "config", std::vector<unsigned char>(64, 0));
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = 0;
    ASSERT_EQ(OmbixGetPciDeviceCount(0, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 1);
    PCI_DEVICE pci{};
    ASSERT_EQ(OmbixGetPciDeviceList(0, &pci, 1), OMBIX_RC_OK);
    EXPECT_EQ(pci.bus, 0);
    EXPECT_EQ(pci.slot, 0x1f);
    EXPECT_EQ(pci.funct, 3);
    EXPECT_EQ(pci.vendorId, 0x7fff);
    EXPECT_EQ(pci.deviceId, 0x0bad);
    EXPECT_EQ(pci.classId, 0x040300);
    EXPECT_STREQ(pci.deviceName, "");
    EXPECT_STREQ(pci.vendorName, "");
}

}  // namespace
