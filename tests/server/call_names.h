// The 88 call names, written out independently of the tables they test.
#ifndef OMBIX_TEST_CALL_NAMES_H
#define OMBIX_TEST_CALL_NAMES_H

#include <array>

namespace ombix::test {

inline constexpr std::array<const char *, 88> kCallNames = {
    "OmbixGetBacklightValue", "OmbixGetBatteryCount", "OmbixGetBatteryInfo", "OmbixGetBatteryState",
    "OmbixGetBoardInfo", "OmbixGetBootCounter", "OmbixGetChipsetTemp", "OmbixGetCpuFanSpeed",
    "OmbixGetCpuFreq", "OmbixGetCpuInfo", "OmbixGetCpuPerformance", "OmbixGetCpuTemp",
    "OmbixGetDiskDriveCount", "OmbixGetDiskDriveList", "OmbixGetDiskDrivePartitionCount",
    "OmbixGetDiskDrivePartitionList", "OmbixGetDiskDriveSMARTAttrCount", "OmbixGetDiskDriveSMARTAttrs",
    "OmbixGetDisplayCount", "OmbixGetFanCount", "OmbixGetFanList", "OmbixGetFanMode", "OmbixGetFanSpeed",
    "OmbixGetI2cBusCount", "OmbixGetIntruderStatus", "OmbixGetLibVersion", "OmbixGetMemoryInfo",
    "OmbixGetMemoryModuleCount", "OmbixGetMemoryModuleInfo", "OmbixGetNetworkDeviceCount",
    "OmbixGetNetworkDeviceList", "OmbixGetPciDeviceCount", "OmbixGetPciDeviceList", "OmbixGetPerformanceState",
    "OmbixGetPerformanceStateDescription", "OmbixGetSmbusCount", "OmbixGetSpiBusCount", "OmbixGetStorageCount",
    "OmbixGetStorageSize", "OmbixSystemUpTime", "OmbixWatchdogDisable", "OmbixWatchdogEnable",
    "OmbixWatchdogGetCap", "OmbixWatchdogTrigger", "OmbixGetSystemFanSpeed", "OmbixGetSystemTemp",
    "OmbixGetTempSensorCount", "OmbixGetTempSensorList", "OmbixGetTempSensorValue", "OmbixGetVoltageSensorCount",
    "OmbixGetVoltageSensorList", "OmbixGetVoltageSensorValue", "OmbixGpioGetCount", "OmbixGpioGetDirection",
    "OmbixGpioGetDirectionCaps", "OmbixGpioGetLevel", "OmbixGpioSetDirection", "OmbixGpioSetLevel",
    "OmbixI2cProbe", "OmbixI2cRead", "OmbixI2cWrite", "OmbixI2cXfer", "OmbixPasswd",
    "OmbixPerformanceStateCaps", "OmbixResetIntruderStatus", "OmbixSetBacklightValue", "OmbixSetCpuFanSpeed",
    "OmbixSetCpuFanSpeedRpm", "OmbixSetCpuPerformance", "OmbixSetFanModeManual", "OmbixSetFanModeManualRpm",
    "OmbixSetFanModeThermalCruise", "OmbixSetPerformanceState", "OmbixSetSystemFanSpeed",
    "OmbixSetSystemFanSpeedRpm", "OmbixSetSystemState", "OmbixSmbusQuickCommand", "OmbixSmbusReadBlock",
    "OmbixSmbusReadByte", "OmbixSmbusReadWord", "OmbixSmbusReceiveByte", "OmbixSmbusSendByte",
    "OmbixSmbusWriteBlock", "OmbixSmbusWriteByte", "OmbixSmbusWriteWord", "OmbixSpiXfer", "OmbixStorageRead",
    "OmbixStorageWrite",
};

}  // namespace ombix::test

#endif
