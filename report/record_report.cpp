// The sections of the board report made of record and list calls.
#include <cinttypes>
#include <cstring>
#include <vector>

#include "board_report.h"
#include "ombixRemoteCall.h"
#include "ombix_linux_board.h"

namespace ombix::report {
namespace {

// Prints "  what: failed (code N)" and counts the failure; what the
// board lacks is "not available" and no failure.
bool failed(std::FILE *out, const char *what, std::int32_t code, int &failures) {
    if (code == OMBIX_RC_OK || code == OMBIX_RC_OUTPUTS_VALID) return false;
    if (code == OMBIX_LINUX_RC_NOT_SUPPORTED) {
        std::fprintf(out, "  %-22s not available\n", what);
        return true;
    }
    std::fprintf(out, "  %-22s failed (code %" PRId32 ")\n", what, code);
    ++failures;
    return true;
}

void line(std::FILE *out, const char *what, const char *text) {
    std::fprintf(out, "  %-22s %s\n", what, text);
}

// A list the way every list call is made: ask for the count, then the list.
template <typename R, typename Count, typename List>
std::vector<R> fetch_list(std::FILE *out, const char *what, Count count_call, List list_call, int &failures) {
    std::int32_t count = 0;
    if (failed(out, what, count_call(&count), failures) || count <= 0) return {};
    std::vector<R> records(static_cast<std::size_t>(count > OMBIX_MAX_LIST_COUNT ? OMBIX_MAX_LIST_COUNT : count));
    if (failed(out, what, list_call(records.data(), static_cast<std::int32_t>(records.size())), failures)) return {};
    return records;
}

void print_board(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Board\n");
    BOARD_INFO b{};
    if (!failed(out, "board:", OmbixR_GetBoardInfo(h, &b), failures)) {
        line(out, "manufacturer:", b.boardManufacturer);
        line(out, "name:", b.boardName);
        line(out, "version:", b.boardVersion);
        line(out, "serial number:", b.boardSerialNumber);
        std::fprintf(out, "  %-22s %s (%s)\n", "BIOS:", b.biosVersion, b.biosDate);
    }
    LIB_VERSION v{};
    if (!failed(out, "API library:", OmbixR_GetLibVersion(h, &v), failures))
        std::fprintf(out, "  %-22s %s (0x%08" PRIX32 ")\n", "API library:", v.OmbixVersionText, v.OmbixVersion);
}

void print_cpu_and_memory(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Processor and memory\n");
    CPU_INFO c{};
    if (!failed(out, "CPU:", OmbixR_GetCpuInfo(h, &c), failures)) {
        line(out, "CPU:", c.cpuName);
        std::fprintf(out, "  %-22s %" PRId32 " x %" PRId32 " cores, %" PRId32 " threads, up to %.2f\n",
                     "layout:", c.cpuCount, c.cpuCoreCount, c.cpuThreadCount, static_cast<double>(c.cpuMaxCoreSpeed));
        std::fprintf(out, "  %-22s FSB %" PRId32 ", L1 %" PRId32 ", L2 %" PRId32 ", L3 %" PRId32 "\n",
                     "bus and caches:", c.fsbSpeed, c.l1Cache, c.l2Cache, c.l3Cache);
    }
    MEMORY_INFO m{};
    if (!failed(out, "memory:", OmbixR_GetMemoryInfo(h, &m), failures)) {
        std::fprintf(out, "  %-22s %s, %" PRId32 " total, %" PRId32 " free, speed %" PRId32 "\n", "memory:", m.memType,
                     m.memTotal, m.memFree, m.memSpeed);
    }
    std::int32_t modules = 0;
    if (failed(out, "memory modules:", OmbixR_GetMemoryModuleCount(h, &modules), failures)) return;
    for (std::int32_t i = 0; i < modules && i < 128; ++i) {
        MEMORY_MODULE mm{};
        if (failed(out, "memory module:", OmbixR_GetMemoryModuleInfo(h, static_cast<std::int8_t>(i), &mm), failures))
            continue;
        std::fprintf(out, "  module %-15" PRId32 " %" PRId32 ", %s %s, serial %s\n", i, mm.moduleSize, mm.manufacturer,
                     mm.partNumber, mm.serialNumber);
    }
}

void print_batteries(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Batteries\n");
    std::int8_t count = 0;
    if (failed(out, "batteries:", OmbixR_GetBatteryCount(h, &count), failures)) return;
    for (std::int8_t i = 0; i < count; ++i) {
        BATTERY_INFO b{};
        BATTERY_STATE s{};
        if (failed(out, "battery:", OmbixR_GetBatteryInfo(h, i, &b), failures)) continue;
        std::fprintf(out,
                     "  battery %-14d %s, %s, serial %s, %" PRId32 " mV, %" PRId32 " of %" PRId32 " mWh, %" PRId32
                     " cycles\n",
                     i, b.deviceName, b.type, b.serialNumber, b.designedVoltage, b.fullyChargedCapacity,
                     b.designedCapacity, b.cycleCount);
        if (failed(out, "battery state:", OmbixR_GetBatteryState(h, i, &s), failures)) continue;
        std::fprintf(out,
                     "  %-22s power %" PRId32 ", charge %" PRId32 ", %" PRId32 " mWh left, %" PRId32
                     " mV, rate %" PRId32 ", %" PRId32 " min left\n",
                     "", s.powerState, s.chargeState, s.remainingCapacity, s.currentVoltage, s.rate, s.remainingTime);
    }
}

void print_performance_states(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Performance states\n");
    std::uint32_t mask = 0;
    if (failed(out, "states:", OmbixR_PerformanceStateCaps(h, &mask), failures)) return;
    for (std::uint32_t state = 0; state < 32; ++state) {
        if (!(mask >> state & 1)) continue;
        std::uint8_t description[OMBIX_DESCRIPTION_SIZE + 1] = {};
        if (failed(out, "description:", OmbixR_GetPerformanceStateDescription(h, state, description), failures))
            continue;
        std::fprintf(out, "  state %-16" PRIu32 " %s\n", state, reinterpret_cast<const char *>(description));
    }
}

void print_sensors_and_fans(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Sensors and fans\n");
    auto temps = fetch_list<SENSOR_VALUE>(
        out, "temperature sensors:", [h](std::int32_t *n) { return OmbixR_GetTempSensorCount(h, n); },
        [h](SENSOR_VALUE *a, std::int32_t n) { return OmbixR_GetTempSensorList(h, a, n); }, failures);
    for (const auto &s : temps) std::fprintf(out, "  %-22s %" PRId32 " C\n", s.name, s.value);
    auto volts = fetch_list<SENSOR_VALUE>(
        out, "voltage sensors:", [h](std::int32_t *n) { return OmbixR_GetVoltageSensorCount(h, n); },
        [h](SENSOR_VALUE *a, std::int32_t n) { return OmbixR_GetVoltageSensorList(h, a, n); }, failures);
    for (const auto &s : volts) std::fprintf(out, "  %-22s %" PRId32 " mV\n", s.name, s.value);
    auto fans = fetch_list<FAN_INFO>(
        out, "fans:", [h](std::int32_t *n) { return OmbixR_GetFanCount(h, n); },
        [h](FAN_INFO *a, std::int32_t n) { return OmbixR_GetFanList(h, a, n); }, failures);
    for (const auto &f : fans) {
        std::fprintf(out, "  %-22s %" PRIu32 " rpm, pwm %u, power mode %u, method %u\n", f.name, f.rpm, f.pwm,
                     f.powerMode, f.method);
    }
}

void print_disks(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Disk drives\n");
    auto disks = fetch_list<DISK_DRIVE>(
        out, "disk drives:", [h](std::int32_t *n) { return OmbixR_GetDiskDriveCount(h, n); },
        [h](DISK_DRIVE *a, std::int32_t n) { return OmbixR_GetDiskDriveList(h, a, n); }, failures);
    for (std::size_t d = 0; d < disks.size(); ++d) {
        const DISK_DRIVE &disk = disks[d];
        std::fprintf(out, "  %-22s %s, serial %s, %" PRIu32 " MB\n", disk.name, disk.model, disk.diskSerialNumber,
                     disk.size);
        auto disk_nr = static_cast<std::int32_t>(d);
        auto attrs = fetch_list<SMART_ATTRIBUTE>(
            out, "SMART attributes:",
            [h, disk_nr](std::int32_t *n) { return OmbixR_GetDiskDriveSMARTAttrCount(h, disk_nr, n); },
            [h, disk_nr](SMART_ATTRIBUTE *a, std::int32_t n) {
                return OmbixR_GetDiskDriveSMARTAttrs(h, disk_nr, a, n);
            },
            failures);
        for (const auto &a : attrs) {
            std::fprintf(out, "    SMART %3u: flags 0x%04X, value %3u, worst %3u, raw %02X%02X%02X%02X%02X%02X\n",
                         a.attrID, a.statusFlags, a.attrValue, a.worstValue, a.rawValue[5], a.rawValue[4],
                         a.rawValue[3], a.rawValue[2], a.rawValue[1], a.rawValue[0]);
        }
    }
    auto partitions = fetch_list<DISK_PARTITION>(
        out, "partitions:", [h](std::int32_t *n) { return OmbixR_GetDiskDrivePartitionCount(h, n); },
        [h](DISK_PARTITION *a, std::int32_t n) { return OmbixR_GetDiskDrivePartitionList(h, a, n); }, failures);
    for (const auto &p : partitions) {
        std::fprintf(out, "  %-22s %s, %" PRIu32 " MB, %" PRIu32 " MB free\n", p.name, p.fsType, p.partitionSize,
                     p.freeSpace);
    }
}

void print_devices(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "PCI devices\n");
    auto pci = fetch_list<PCI_DEVICE>(
        out, "PCI devices:", [h](std::int32_t *n) { return OmbixR_GetPciDeviceCount(h, n); },
        [h](PCI_DEVICE *a, std::int32_t n) { return OmbixR_GetPciDeviceList(h, a, n); }, failures);
    for (const auto &p : pci) {
        std::fprintf(out,
                     "  %04" PRIX32 ":%02" PRIX32 ":%02" PRIX32 ".%" PRIX32 "  %04" PRIX32 ":%04" PRIX32
                     " class %06" PRIX32 "  %s, %s (%s)\n",
                     p.domain, p.bus, p.slot, p.funct, p.vendorId, p.deviceId, p.classId, p.deviceName, p.vendorName,
                     p.className);
    }
    std::fprintf(out, "Network devices\n");
    auto net = fetch_list<NETWORK_DEVICE>(
        out, "network devices:", [h](std::int32_t *n) { return OmbixR_GetNetworkDeviceCount(h, n); },
        [h](NETWORK_DEVICE *a, std::int32_t n) { return OmbixR_GetNetworkDeviceList(h, a, n); }, failures);
    for (const auto &n : net) {
        std::fprintf(out, "  %-22s %s, MAC %s, %" PRId32 " Mbit/s\n", n.deviceName, n.ip, n.mac, n.speed);
    }
}

}  // namespace

int print_record_sections(std::FILE *out, std::int32_t handle) {
    int failures = 0;
    print_board(out, handle, failures);
    print_cpu_and_memory(out, handle, failures);
    print_batteries(out, handle, failures);
    print_performance_states(out, handle, failures);
    print_sensors_and_fans(out, handle, failures);
    print_disks(out, handle, failures);
    print_devices(out, handle, failures);
    return failures;
}

}  // namespace ombix::report
