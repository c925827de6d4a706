// The simulated local API: records and lists. A list call fills as many
// records as the board has, up to the count asked for, and leaves the rest
// as it received them.
#include <algorithm>
#include <cstring>

#include "ombix_api.h"
#include "sim_call.h"

using namespace ombix::sim;

namespace {

bool valid_index(std::int64_t index, std::size_t size) {
    return index >= 0 && static_cast<std::uint64_t>(index) < size;
}

template <typename R>
std::int32_t fill_list(const SimCall &call, const std::vector<R> &source, R *records, std::int32_t count) {
    if (count < 0 || (records == nullptr && count > 0)) return call.finish(kInvalidValue);
    std::size_t n = std::min(source.size(), static_cast<std::size_t>(count));
    std::copy_n(source.begin(), n, records);
    return call.finish(OMBIX_RC_OK);
}

template <typename R>
std::int32_t copy_record(const SimCall &call, const R &source, R *record) {
    if (record == nullptr) return call.finish(kInvalidValue);
    *record = source;
    return call.finish(OMBIX_RC_OK);
}

std::vector<SENSOR_VALUE> sensor_values(const std::vector<Sensor> &sensors) {
    std::vector<SENSOR_VALUE> values(sensors.size());
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        set_text(values[i].name, sensors[i].name);
        values[i].value = sensors[i].value;
    }
    return values;
}

// powerMode: 1 while the fan turns; method: how its speed is set (the fan mode).
std::vector<FAN_INFO> fan_infos(const std::vector<Fan> &fans) {
    std::vector<FAN_INFO> infos(fans.size());
    for (std::size_t i = 0; i < fans.size(); ++i) {
        set_text(infos[i].name, fans[i].name);
        infos[i].rpm = static_cast<std::uint32_t>(fans[i].rpm);
        infos[i].pwm = fans[i].pwm;
        infos[i].powerMode = fans[i].rpm > 0 ? 1 : 0;
        infos[i].method = fans[i].mode;
    }
    return infos;
}

}  // namespace

extern "C" {

int32_t OmbixGetBoardInfo(int32_t handle, BOARD_INFO *boardInfo) {
    SimCall call("OmbixGetBoardInfo", handle, boardInfo);
    return copy_record(call, board().records.boardInfo, boardInfo);
}

int32_t OmbixGetLibVersion(int32_t handle, LIB_VERSION *libVersion) {
    SimCall call("OmbixGetLibVersion", handle, libVersion);
    return copy_record(call, board().records.libVersion, libVersion);
}

int32_t OmbixGetCpuInfo(int32_t handle, CPU_INFO *cpuInfo) {
    SimCall call("OmbixGetCpuInfo", handle, cpuInfo);
    return copy_record(call, board().records.cpuInfo, cpuInfo);
}

int32_t OmbixGetMemoryInfo(int32_t handle, MEMORY_INFO *memoryInfo) {
    SimCall call("OmbixGetMemoryInfo", handle, memoryInfo);
    return copy_record(call, board().records.memoryInfo, memoryInfo);
}

int32_t OmbixGetMemoryModuleInfo(int32_t handle, int8_t moduleNr, MEMORY_MODULE *memoryModule) {
    SimCall call("OmbixGetMemoryModuleInfo", handle, moduleNr, memoryModule);
    const auto &modules = board().records.memoryModules;
    if (!valid_index(moduleNr, modules.size())) return call.finish(kNoDevice);
    return copy_record(call, modules[static_cast<std::size_t>(moduleNr)], memoryModule);
}

int32_t OmbixGetBatteryInfo(int32_t handle, int8_t slotNr, BATTERY_INFO *batteryInfo) {
    SimCall call("OmbixGetBatteryInfo", handle, slotNr, batteryInfo);
    const auto &batteries = board().records.batteries;
    if (!valid_index(slotNr, batteries.size())) return call.finish(kNoDevice);
    return copy_record(call, batteries[static_cast<std::size_t>(slotNr)], batteryInfo);
}

int32_t OmbixGetBatteryState(int32_t handle, int8_t slotNr, BATTERY_STATE *batteryState) {
    SimCall call("OmbixGetBatteryState", handle, slotNr, batteryState);
    const auto &states = board().records.batteryStates;
    if (!valid_index(slotNr, states.size())) return call.finish(kNoDevice);
    return copy_record(call, states[static_cast<std::size_t>(slotNr)], batteryState);
}

int32_t OmbixGetPerformanceStateDescription(int32_t handle, uint32_t state, uint8_t *description) {
    SimCall call("OmbixGetPerformanceStateDescription", handle, state, description);
    const auto &states = board().records.performanceStates;
    if (state >= states.size() || state >= 32 || !(board().performanceStatesMask >> state & 1)) {
        return call.finish(kNoDevice);
    }
    if (description == nullptr) return call.finish(kInvalidValue);
    const std::string &text = states[state];
    std::memset(description, 0, OMBIX_DESCRIPTION_SIZE);
    std::memcpy(description, text.data(), std::min<std::size_t>(text.size(), OMBIX_DESCRIPTION_SIZE - 1));
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetTempSensorList(int32_t handle, SENSOR_VALUE *tempSensors, int32_t tempSensorCount) {
    SimCall call("OmbixGetTempSensorList", handle, tempSensors, tempSensorCount);
    return fill_list(call, sensor_values(board().tempSensors), tempSensors, tempSensorCount);
}

int32_t OmbixGetVoltageSensorList(int32_t handle, SENSOR_VALUE *voltageSensors, int32_t voltageSensorCount) {
    SimCall call("OmbixGetVoltageSensorList", handle, voltageSensors, voltageSensorCount);
    return fill_list(call, sensor_values(board().voltageSensors), voltageSensors, voltageSensorCount);
}

int32_t OmbixGetFanList(int32_t handle, FAN_INFO *fans, int32_t fanCount) {
    SimCall call("OmbixGetFanList", handle, fans, fanCount);
    return fill_list(call, fan_infos(board().fans), fans, fanCount);
}

int32_t OmbixGetDiskDriveList(int32_t handle, DISK_DRIVE *diskDrives, int32_t diskDriveCount) {
    SimCall call("OmbixGetDiskDriveList", handle, diskDrives, diskDriveCount);
    return fill_list(call, board().records.diskDrives, diskDrives, diskDriveCount);
}

int32_t OmbixGetDiskDrivePartitionList(int32_t handle, DISK_PARTITION *pDiskPartitionData, int32_t diskPartitionCount) {
    SimCall call("OmbixGetDiskDrivePartitionList", handle, pDiskPartitionData, diskPartitionCount);
    return fill_list(call, board().records.diskPartitions, pDiskPartitionData, diskPartitionCount);
}

int32_t OmbixGetDiskDriveSMARTAttrs(int32_t handle, int32_t diskNr, SMART_ATTRIBUTE *attrs, int32_t attrCount) {
    SimCall call("OmbixGetDiskDriveSMARTAttrs", handle, diskNr, attrs, attrCount);
    const auto &disks = board().records.smartAttributes;
    if (!valid_index(diskNr, disks.size())) return call.finish(kNoDevice);
    return fill_list(call, disks[static_cast<std::size_t>(diskNr)], attrs, attrCount);
}

int32_t OmbixGetNetworkDeviceList(int32_t handle, NETWORK_DEVICE *networkDevices, int32_t networkDeviceCount) {
    SimCall call("OmbixGetNetworkDeviceList", handle, networkDevices, networkDeviceCount);
    return fill_list(call, board().records.networkDevices, networkDevices, networkDeviceCount);
}

int32_t OmbixGetPciDeviceList(int32_t handle, PCI_DEVICE *pciDevices, int32_t pciDeviceCount) {
    SimCall call("OmbixGetPciDeviceList", handle, pciDevices, pciDeviceCount);
    return fill_list(call, board().records.pciDevices, pciDevices, pciDeviceCount);
}

}  // extern "C"
