// The simulated local API: records and lists. Not simulated yet: every call reports no device.
#include "ombix_api.h"
#include "sim_control.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

using ombix::sim::kNoDevice;

extern "C" {
int32_t OmbixGetBoardInfo(int32_t handle, BOARD_INFO *boardInfo) { return kNoDevice; }
int32_t OmbixGetLibVersion(int32_t handle, LIB_VERSION *libVersion) { return kNoDevice; }
int32_t OmbixGetCpuInfo(int32_t handle, CPU_INFO *cpuInfo) { return kNoDevice; }
int32_t OmbixGetPerformanceStateDescription(int32_t handle, uint32_t state, uint8_t *description) { return kNoDevice; }
int32_t OmbixGetMemoryInfo(int32_t handle, MEMORY_INFO *memoryInfo) { return kNoDevice; }
int32_t OmbixGetMemoryModuleInfo(int32_t handle, int8_t moduleNr, MEMORY_MODULE *memoryModule) { return kNoDevice; }
int32_t OmbixGetDiskDriveList(int32_t handle, DISK_DRIVE *diskDrives, int32_t diskDriveCount) { return kNoDevice; }
int32_t OmbixGetDiskDrivePartitionList(int32_t handle, DISK_PARTITION *pDiskPartitionData, int32_t diskPartitionCount) { return kNoDevice; }
int32_t OmbixGetDiskDriveSMARTAttrs(int32_t handle, int32_t diskNr, SMART_ATTRIBUTE *attrs, int32_t attrCount) { return kNoDevice; }
int32_t OmbixGetBatteryInfo(int32_t handle, int8_t slotNr, BATTERY_INFO *batteryInfo) { return kNoDevice; }
int32_t OmbixGetBatteryState(int32_t handle, int8_t slotNr, BATTERY_STATE *batteryState) { return kNoDevice; }
int32_t OmbixGetTempSensorList(int32_t handle, SENSOR_VALUE *tempSensors, int32_t tempSensorCount) { return kNoDevice; }
int32_t OmbixGetVoltageSensorList(int32_t handle, SENSOR_VALUE *voltageSensors, int32_t voltageSensorCount) { return kNoDevice; }
int32_t OmbixGetFanList(int32_t handle, FAN_INFO *fans, int32_t fanCount) { return kNoDevice; }
int32_t OmbixGetNetworkDeviceList(int32_t handle, NETWORK_DEVICE *networkDevices, int32_t networkDeviceCount) { return kNoDevice; }
int32_t OmbixGetPciDeviceList(int32_t handle, PCI_DEVICE *pciDevices, int32_t pciDeviceCount) { return kNoDevice; }
}
