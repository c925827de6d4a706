#include <algorithm>
#include <cstring>

#include "record_data.h"

namespace ombix::sim {

void set_text(char (&field)[OMBIX_TEXT_SIZE], const std::string &text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

namespace {

MEMORY_MODULE memory_module(std::int32_t size, const char *maker, const char *part, const char *serial) {
    MEMORY_MODULE m{};
    m.moduleSize = size;
    set_text(m.manufacturer, maker);
    set_text(m.partNumber, part);
    set_text(m.serialNumber, serial);
    return m;
}

BATTERY_INFO battery(const char *name, const char *serial, std::int32_t capacity, std::int32_t full,
                     std::int32_t cycles) {
    BATTERY_INFO b{};
    set_text(b.deviceName, name);
    set_text(b.type, "Li-ion");
    set_text(b.serialNumber, serial);
    b.designedVoltage = 11100;      // mV
    b.designedCapacity = capacity;  // mWh
    b.fullyChargedCapacity = full;
    b.cycleCount = cycles;
    return b;
}

DISK_DRIVE disk(const char *name, const char *model, const char *serial, std::uint32_t sizeMb) {
    DISK_DRIVE d{};
    set_text(d.name, name);
    set_text(d.model, model);
    set_text(d.diskSerialNumber, serial);
    d.size = sizeMb;
    return d;
}

DISK_PARTITION partition(const char *name, const char *fsType, std::uint32_t sizeMb, std::uint32_t freeMb) {
    DISK_PARTITION p{};
    set_text(p.name, name);
    set_text(p.fsType, fsType);
    p.partitionSize = sizeMb;
    p.freeSpace = freeMb;
    return p;
}

PCI_DEVICE pci(std::int32_t bus, std::int32_t slot, std::int32_t funct, std::int32_t vendorId, std::int32_t deviceId,
               std::int32_t classId, const char *device, const char *vendor, const char *className) {
    PCI_DEVICE p{};
    p.bus = bus;
    p.slot = slot;
    p.funct = funct;
    p.vendorId = vendorId;
    p.deviceId = deviceId;
    p.classId = classId;
    set_text(p.deviceName, device);
    set_text(p.vendorName, vendor);
    set_text(p.className, className);
    return p;
}

NETWORK_DEVICE network(const char *ip, const char *mac, std::int32_t speed, const char *name) {
    NETWORK_DEVICE n{};
    set_text(n.ip, ip);
    set_text(n.mac, mac);
    n.speed = speed;  // Mbit/s
    set_text(n.deviceName, name);
    return n;
}

// SMART attributes of one disk: the common ones, in ID order.
std::vector<SMART_ATTRIBUTE> smart_attributes(std::size_t count, std::uint8_t seed) {
    static const std::uint8_t ids[] = {1, 5, 9, 12, 177, 179, 181, 182, 183, 187, 194, 195, 199, 241};
    std::vector<SMART_ATTRIBUTE> attrs;
    for (std::size_t i = 0; i < count && i < sizeof ids; ++i) {
        SMART_ATTRIBUTE a{};
        a.attrID = ids[i];
        a.statusFlags = static_cast<std::uint16_t>(i % 2 == 0 ? 0x0032 : 0x0013);
        a.attrValue = static_cast<std::uint8_t>(100 - i);
        a.worstValue = static_cast<std::uint8_t>(95 - i);
        for (int b = 0; b < 6; ++b) a.rawValue[b] = static_cast<std::uint8_t>(seed * 31 + i * 7 + b * 13);
        attrs.push_back(a);
    }
    return attrs;
}

}  // namespace

RecordData initial_records() {
    RecordData r;
    set_text(r.boardInfo.boardManufacturer, "Ombix Embedded Systems");
    set_text(r.boardInfo.boardName, "OBX-3400 Industrial Mainboard");
    set_text(r.boardInfo.boardVersion, "Rev. C2");
    set_text(r.boardInfo.boardSerialNumber, "OBX34C2-0012877");
    set_text(r.boardInfo.biosVersion, "R1.27.0");
    set_text(r.boardInfo.biosDate, "2026-03-18");

    set_text(r.libVersion.OmbixVersionText, "Ombix board API 4.2.1");
    r.libVersion.OmbixVersion = 0x00040201;

    set_text(r.cpuInfo.cpuName, "Quad-core embedded processor @ 2.10 GHz");
    r.cpuInfo.cpuCount = 1;
    r.cpuInfo.cpuCoreCount = 4;
    r.cpuInfo.cpuThreadCount = 8;
    r.cpuInfo.cpuMaxCoreSpeed = 3.4f;  // GHz
    r.cpuInfo.fsbSpeed = 100;          // MHz
    r.cpuInfo.l1Cache = 256;           // KiB
    r.cpuInfo.l2Cache = 1024;
    r.cpuInfo.l3Cache = 6144;

    r.memoryInfo.memTotal = 16384;  // MiB
    r.memoryInfo.memFree = 11211;
    r.memoryInfo.memSpeed = 2400;  // MT/s
    set_text(r.memoryInfo.memType, "DDR4");
    r.memoryModules = {memory_module(8192, "Modulemaker", "MM4-8G2400-S", "A7F3C201"),
                       memory_module(8192, "Modulemaker", "MM4-8G2400-S", "A7F3C2B9")};

    r.batteries = {battery("Main battery", "BT-00481", 48000, 45120, 212),
                   battery("Backup battery", "BT-00937", 24000, 23010, 57)};
    r.batteryStates = {{1, 540, 312, 26100, 11840, -1450, 2}, {1, 270, 0, 23010, 12410, 0, 1}};

    r.performanceStates = {"P0: 3400 MHz, full performance", "P1: 2100 MHz, balanced", "P2: 1200 MHz, power saving",
                           "P3: 800 MHz, minimum power"};

    r.diskDrives = {disk("sda", "Industrial SSD 240", "SSD2404711", 228936),
                    disk("sdb", "Industrial CFast 32", "CF32B0199", 30528)};
    r.diskPartitions = {partition("sda1", "ext4", 512, 389), partition("sda2", "ext4", 228400, 160225),
                        partition("sdb1", "vfat", 30500, 29870)};
    r.smartAttributes = {smart_attributes(12, 1), smart_attributes(9, 2)};

    r.pciDevices = {
        pci(0, 0, 0, 0x1F4A, 0x0101, 0x060000, "Host bridge", "Chipmaker", "Bridge"),
        pci(0, 2, 0, 0x1F4A, 0x0201, 0x030000, "Integrated graphics", "Chipmaker", "Display controller"),
        pci(0, 20, 0, 0x1F4A, 0x0301, 0x0C0330, "USB 3.1 xHCI controller", "Chipmaker", "Serial bus controller"),
        pci(0, 23, 0, 0x1F4A, 0x0401, 0x010601, "SATA AHCI controller", "Chipmaker", "Mass storage controller"),
        pci(1, 0, 0, 0x1F4A, 0x0501, 0x020000, "Gigabit Ethernet controller", "Chipmaker", "Network controller"),
        pci(2, 0, 0, 0x1F4A, 0x0501, 0x020000, "Gigabit Ethernet controller", "Chipmaker", "Network controller")};
    r.networkDevices = {network("192.168.10.20", "02:4F:4D:42:7A:10", 1000, "eth0"),
                        network("10.0.0.5", "02:4F:4D:42:7A:11", 100, "eth1")};
    return r;
}

}  // namespace ombix::sim
