#include "record_layouts.h"

#include <cstddef>
#include <iterator>

namespace ombix::cli {
namespace {

#define TEXT(record, field) {#field, offsetof(record, field), FieldKind::Text, 0}
#define I32(record, field) {#field, offsetof(record, field), FieldKind::Int32, 0}
#define U32(record, field) {#field, offsetof(record, field), FieldKind::Uint32, 0}
#define U16(record, field) {#field, offsetof(record, field), FieldKind::Uint16, 0}
#define U8(record, field) {#field, offsetof(record, field), FieldKind::Uint8, 0}
#define REAL(record, field) {#field, offsetof(record, field), FieldKind::Float, 0}
#define BYTES(record, field) {#field, offsetof(record, field), FieldKind::Bytes, sizeof(record::field)}

const Field kBoardInfo[] = {TEXT(BOARD_INFO, boardManufacturer), TEXT(BOARD_INFO, boardName),
                            TEXT(BOARD_INFO, boardVersion),      TEXT(BOARD_INFO, boardSerialNumber),
                            TEXT(BOARD_INFO, biosVersion),       TEXT(BOARD_INFO, biosDate)};
const Field kCpuInfo[] = {TEXT(CPU_INFO, cpuName),          I32(CPU_INFO, cpuCount), I32(CPU_INFO, cpuCoreCount),
                          I32(CPU_INFO, cpuThreadCount),    REAL(CPU_INFO, cpuMaxCoreSpeed),
                          I32(CPU_INFO, fsbSpeed),          I32(CPU_INFO, l1Cache),  I32(CPU_INFO, l2Cache),
                          I32(CPU_INFO, l3Cache)};
const Field kMemoryInfo[] = {I32(MEMORY_INFO, memTotal), I32(MEMORY_INFO, memFree), I32(MEMORY_INFO, memSpeed),
                             TEXT(MEMORY_INFO, memType)};
const Field kMemoryModule[] = {I32(MEMORY_MODULE, moduleSize), TEXT(MEMORY_MODULE, manufacturer),
                               TEXT(MEMORY_MODULE, partNumber), TEXT(MEMORY_MODULE, serialNumber)};
const Field kLibVersion[] = {TEXT(LIB_VERSION, OmbixVersionText), U32(LIB_VERSION, OmbixVersion)};
const Field kBatteryInfo[] = {TEXT(BATTERY_INFO, deviceName),      TEXT(BATTERY_INFO, type),
                              TEXT(BATTERY_INFO, serialNumber),    I32(BATTERY_INFO, designedVoltage),
                              I32(BATTERY_INFO, designedCapacity), I32(BATTERY_INFO, fullyChargedCapacity),
                              I32(BATTERY_INFO, cycleCount)};
const Field kBatteryState[] = {I32(BATTERY_STATE, powerState),      I32(BATTERY_STATE, fullBatteryRemainingTime),
                               I32(BATTERY_STATE, remainingTime),   I32(BATTERY_STATE, remainingCapacity),
                               I32(BATTERY_STATE, currentVoltage),  I32(BATTERY_STATE, rate),
                               I32(BATTERY_STATE, chargeState)};
const Field kPciDevice[] = {I32(PCI_DEVICE, domain),      I32(PCI_DEVICE, bus),         I32(PCI_DEVICE, slot),
                            I32(PCI_DEVICE, funct),       I32(PCI_DEVICE, deviceId),    I32(PCI_DEVICE, vendorId),
                            I32(PCI_DEVICE, classId),     TEXT(PCI_DEVICE, deviceName), TEXT(PCI_DEVICE, vendorName),
                            TEXT(PCI_DEVICE, className)};
const Field kSensorValue[] = {TEXT(SENSOR_VALUE, name), I32(SENSOR_VALUE, value)};
const Field kFanInfo[] = {TEXT(FAN_INFO, name), U32(FAN_INFO, rpm), U8(FAN_INFO, pwm), U8(FAN_INFO, powerMode),
                          U8(FAN_INFO, method)};
const Field kDiskDrive[] = {TEXT(DISK_DRIVE, name), TEXT(DISK_DRIVE, model), TEXT(DISK_DRIVE, diskSerialNumber),
                            U32(DISK_DRIVE, size)};
const Field kDiskPartition[] = {TEXT(DISK_PARTITION, name), TEXT(DISK_PARTITION, fsType),
                                U32(DISK_PARTITION, partitionSize), U32(DISK_PARTITION, freeSpace)};
const Field kSmartAttribute[] = {U8(SMART_ATTRIBUTE, attrID),     U16(SMART_ATTRIBUTE, statusFlags),
                                 U8(SMART_ATTRIBUTE, attrValue),  U8(SMART_ATTRIBUTE, worstValue),
                                 BYTES(SMART_ATTRIBUTE, rawValue)};
const Field kNetworkDevice[] = {TEXT(NETWORK_DEVICE, ip), TEXT(NETWORK_DEVICE, mac), I32(NETWORK_DEVICE, speed),
                                TEXT(NETWORK_DEVICE, deviceName)};

}  // namespace

#define LAYOUT(type, table)                                                \
    template <>                                                            \
    const RecordLayout &layout_of<type>() {                                \
        static const RecordLayout layout{#type, table, std::size(table)}; \
        return layout;                                                     \
    }
LAYOUT(BOARD_INFO, kBoardInfo)
LAYOUT(CPU_INFO, kCpuInfo)
LAYOUT(MEMORY_INFO, kMemoryInfo)
LAYOUT(MEMORY_MODULE, kMemoryModule)
LAYOUT(LIB_VERSION, kLibVersion)
LAYOUT(BATTERY_INFO, kBatteryInfo)
LAYOUT(BATTERY_STATE, kBatteryState)
LAYOUT(PCI_DEVICE, kPciDevice)
LAYOUT(SENSOR_VALUE, kSensorValue)
LAYOUT(FAN_INFO, kFanInfo)
LAYOUT(DISK_DRIVE, kDiskDrive)
LAYOUT(DISK_PARTITION, kDiskPartition)
LAYOUT(SMART_ATTRIBUTE, kSmartAttribute)
LAYOUT(NETWORK_DEVICE, kNetworkDevice)

}  // namespace ombix::cli
