// The simulated local API: the calls whose members are single integers or texts.
#include <algorithm>
#include <cstring>

#include "ombix_api.h"
#include "sim_call.h"

using namespace ombix::sim;

namespace {

constexpr std::int32_t kRpmPerPwmStep = 20;

bool valid_index(std::int64_t index, std::size_t size) {
    return index >= 0 && static_cast<std::uint64_t>(index) < size;
}

Fan *fan_at(std::int64_t fanNr) {
    auto &fans = board().fans;
    return valid_index(fanNr, fans.size()) ? &fans[static_cast<std::size_t>(fanNr)] : nullptr;
}

GpioLine *gpio_at(std::uint32_t gpioNr) {
    auto &lines = board().gpio;
    return gpioNr < lines.size() ? &lines[gpioNr] : nullptr;
}

void set_manual_pwm(Fan &fan, std::uint8_t pwm) {
    fan.mode = kFanManualPwm;
    fan.pwm = pwm;
    fan.rpm = pwm * kRpmPerPwmStep;
}

void set_manual_rpm(Fan &fan, std::uint32_t rpm) {
    fan.mode = kFanManualRpm;
    fan.rpm = static_cast<std::int32_t>(rpm);
    fan.pwm = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, rpm / kRpmPerPwmStep));
}

}  // namespace

extern "C" {

int32_t OmbixGetBacklightValue(int32_t handle, int32_t displayNr, int32_t *backlight) {
    SimCall call("OmbixGetBacklightValue", handle, displayNr, backlight);
    if (!valid_index(displayNr, board().backlights.size())) return call.finish(kNoDevice);
    *backlight = board().backlights[static_cast<std::size_t>(displayNr)];
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetBacklightValue(int32_t handle, int32_t displayNr, int32_t backlight) {
    SimCall call("OmbixSetBacklightValue", handle, displayNr, backlight);
    if (!valid_index(displayNr, board().backlights.size())) return call.finish(kNoDevice);
    if (backlight < 0 || backlight > 100) return call.finish(kInvalidValue);
    board().backlights[static_cast<std::size_t>(displayNr)] = backlight;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetDisplayCount(int32_t handle, int32_t *displayCount) {
    SimCall call("OmbixGetDisplayCount", handle, displayCount);
    *displayCount = static_cast<int32_t>(board().backlights.size());
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetBatteryCount(int32_t handle, int8_t *batteryCount) {
    SimCall call("OmbixGetBatteryCount", handle, batteryCount);
    *batteryCount = board().batteryCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetBootCounter(int32_t handle, int32_t *bootCount) {
    SimCall call("OmbixGetBootCounter", handle, bootCount);
    *bootCount = board().bootCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSystemUpTime(int32_t handle, int32_t *systemUpTime) {
    SimCall call("OmbixSystemUpTime", handle, systemUpTime);
    *systemUpTime = board().upTimeSeconds;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetIntruderStatus(int32_t handle, int32_t *intruderStatus) {
    SimCall call("OmbixGetIntruderStatus", handle, intruderStatus);
    *intruderStatus = board().intruderStatus;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixResetIntruderStatus(int32_t handle) {
    SimCall call("OmbixResetIntruderStatus", handle);
    board().intruderStatus = 0;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetChipsetTemp(int32_t handle, int32_t *chipsetTemp) {
    SimCall call("OmbixGetChipsetTemp", handle, chipsetTemp);
    *chipsetTemp = board().chipsetTemp;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetSystemTemp(int32_t handle, int32_t *systemTemp) {
    SimCall call("OmbixGetSystemTemp", handle, systemTemp);
    *systemTemp = board().systemTemp;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetCpuTemp(int32_t handle, int32_t cpuNr, int32_t *cpuTemp) {
    SimCall call("OmbixGetCpuTemp", handle, cpuNr, cpuTemp);
    if (!valid_index(cpuNr, board().cpuTemps.size())) return call.finish(kNoDevice);
    *cpuTemp = board().cpuTemps[static_cast<std::size_t>(cpuNr)];
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetCpuFreq(int32_t handle, int8_t freqType, int32_t *frequency) {
    SimCall call("OmbixGetCpuFreq", handle, freqType, frequency);
    if (!valid_index(freqType, 3)) return call.finish(kInvalidValue);
    *frequency = board().cpuFreqs[freqType];
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetCpuPerformance(int32_t handle, int8_t *performancePercentage) {
    SimCall call("OmbixGetCpuPerformance", handle, performancePercentage);
    *performancePercentage = board().cpuPerformance;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetCpuPerformance(int32_t handle, int8_t performancePercentage) {
    SimCall call("OmbixSetCpuPerformance", handle, performancePercentage);
    if (performancePercentage < 0 || performancePercentage > 100) return call.finish(kInvalidValue);
    board().cpuPerformance = performancePercentage;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetSystemState(int32_t handle, int32_t systemState) {
    SimCall call("OmbixSetSystemState", handle, systemState);
    if (systemState < 0 || systemState > 5) return call.finish(kInvalidValue);
    board().systemState = systemState;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixPasswd(int32_t handle, const char *newPassword, const char *oldPassword) {
    SimCall call("OmbixPasswd", handle, newPassword, oldPassword);
    if (newPassword == nullptr || oldPassword == nullptr) return call.finish(kInvalidValue);
    if (board().password != oldPassword) return call.finish(kDenied);
    board().password = newPassword;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetPerformanceState(int32_t handle, uint32_t *state) {
    SimCall call("OmbixGetPerformanceState", handle, state);
    *state = board().performanceState;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetPerformanceState(int32_t handle, uint32_t state) {
    SimCall call("OmbixSetPerformanceState", handle, state);
    if (state >= 32 || (board().performanceStatesMask & (1u << state)) == 0) return call.finish(kInvalidValue);
    board().performanceState = state;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixPerformanceStateCaps(int32_t handle, uint32_t *statesMask) {
    SimCall call("OmbixPerformanceStateCaps", handle, statesMask);
    *statesMask = board().performanceStatesMask;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetMemoryModuleCount(int32_t handle, int32_t *memoryModuleCount) {
    SimCall call("OmbixGetMemoryModuleCount", handle, memoryModuleCount);
    *memoryModuleCount = board().memoryModuleCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetDiskDriveCount(int32_t handle, int32_t *diskDriveCount) {
    SimCall call("OmbixGetDiskDriveCount", handle, diskDriveCount);
    *diskDriveCount = board().diskDriveCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetDiskDrivePartitionCount(int32_t handle, int32_t *diskPartitionCount) {
    SimCall call("OmbixGetDiskDrivePartitionCount", handle, diskPartitionCount);
    *diskPartitionCount = board().diskPartitionCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetDiskDriveSMARTAttrCount(int32_t handle, int32_t diskNr, int32_t *attrCount) {
    SimCall call("OmbixGetDiskDriveSMARTAttrCount", handle, diskNr, attrCount);
    if (!valid_index(diskNr, board().smartAttrCounts.size())) return call.finish(kNoDevice);
    *attrCount = board().smartAttrCounts[static_cast<std::size_t>(diskNr)];
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetTempSensorCount(int32_t handle, int32_t *tempSensorCount) {
    SimCall call("OmbixGetTempSensorCount", handle, tempSensorCount);
    *tempSensorCount = static_cast<int32_t>(board().tempSensors.size());
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetTempSensorValue(int32_t handle, int32_t tempSensorNr, int32_t *tempSensorValue) {
    SimCall call("OmbixGetTempSensorValue", handle, tempSensorNr, tempSensorValue);
    if (!valid_index(tempSensorNr, board().tempSensors.size())) return call.finish(kNoDevice);
    *tempSensorValue = board().tempSensors[static_cast<std::size_t>(tempSensorNr)].value;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetVoltageSensorCount(int32_t handle, int32_t *voltageSensorCount) {
    SimCall call("OmbixGetVoltageSensorCount", handle, voltageSensorCount);
    *voltageSensorCount = static_cast<int32_t>(board().voltageSensors.size());
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetVoltageSensorValue(int32_t handle, int32_t voltageSensorNr, int32_t *voltageSensorValue) {
    SimCall call("OmbixGetVoltageSensorValue", handle, voltageSensorNr, voltageSensorValue);
    if (!valid_index(voltageSensorNr, board().voltageSensors.size())) return call.finish(kNoDevice);
    *voltageSensorValue = board().voltageSensors[static_cast<std::size_t>(voltageSensorNr)].value;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetFanCount(int32_t handle, int32_t *fanCount) {
    SimCall call("OmbixGetFanCount", handle, fanCount);
    *fanCount = static_cast<int32_t>(board().fans.size());
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetFanSpeed(int32_t handle, int32_t fanNr, uint8_t *pwm, int32_t *rpm) {
    SimCall call("OmbixGetFanSpeed", handle, fanNr, pwm, rpm);
    Fan *fan = fan_at(fanNr);
    if (fan == nullptr) return call.finish(kNoDevice);
    *pwm = fan->pwm;
    *rpm = fan->rpm;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetFanMode(int32_t handle, int32_t fanNr, uint8_t *fanMode) {
    SimCall call("OmbixGetFanMode", handle, fanNr, fanMode);
    Fan *fan = fan_at(fanNr);
    if (fan == nullptr) return call.finish(kNoDevice);
    *fanMode = fan->mode;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetFanModeManual(int32_t handle, int32_t fanNr, uint8_t targetPwm) {
    SimCall call("OmbixSetFanModeManual", handle, fanNr, targetPwm);
    Fan *fan = fan_at(fanNr);
    if (fan == nullptr) return call.finish(kNoDevice);
    set_manual_pwm(*fan, targetPwm);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetFanModeManualRpm(int32_t handle, int32_t fanNr, uint32_t targetRpm) {
    SimCall call("OmbixSetFanModeManualRpm", handle, fanNr, targetRpm);
    Fan *fan = fan_at(fanNr);
    if (fan == nullptr) return call.finish(kNoDevice);
    if (targetRpm > 10000) return call.finish(kInvalidValue);
    set_manual_rpm(*fan, targetRpm);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetFanModeThermalCruise(int32_t handle, uint32_t fanNr, uint32_t targetTemp, uint32_t toleranceTemp) {
    SimCall call("OmbixSetFanModeThermalCruise", handle, fanNr, targetTemp, toleranceTemp);
    Fan *fan = fan_at(fanNr);
    if (fan == nullptr) return call.finish(kNoDevice);
    if (targetTemp > 125 || toleranceTemp > 20) return call.finish(kInvalidValue);
    fan->mode = kFanThermalCruise;
    fan->targetTemp = targetTemp;
    fan->toleranceTemp = toleranceTemp;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetCpuFanSpeed(int32_t handle, int32_t *cpuFanRpm) {
    SimCall call("OmbixGetCpuFanSpeed", handle, cpuFanRpm);
    *cpuFanRpm = board().fans[0].rpm;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetCpuFanSpeed(int32_t handle, uint8_t cpuFanSpeedPwm) {
    SimCall call("OmbixSetCpuFanSpeed", handle, cpuFanSpeedPwm);
    set_manual_pwm(board().fans[0], cpuFanSpeedPwm);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetCpuFanSpeedRpm(int32_t handle, uint32_t cpuFanSpeedRpm) {
    SimCall call("OmbixSetCpuFanSpeedRpm", handle, cpuFanSpeedRpm);
    if (cpuFanSpeedRpm > 10000) return call.finish(kInvalidValue);
    set_manual_rpm(board().fans[0], cpuFanSpeedRpm);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetSystemFanSpeed(int32_t handle, int32_t *systemFanRpm) {
    SimCall call("OmbixGetSystemFanSpeed", handle, systemFanRpm);
    *systemFanRpm = board().fans[1].rpm;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetSystemFanSpeed(int32_t handle, uint8_t systemFanSpeedPwm) {
    SimCall call("OmbixSetSystemFanSpeed", handle, systemFanSpeedPwm);
    set_manual_pwm(board().fans[1], systemFanSpeedPwm);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSetSystemFanSpeedRpm(int32_t handle, uint32_t systemFanSpeedRpm) {
    SimCall call("OmbixSetSystemFanSpeedRpm", handle, systemFanSpeedRpm);
    if (systemFanSpeedRpm > 10000) return call.finish(kInvalidValue);
    set_manual_rpm(board().fans[1], systemFanSpeedRpm);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetNetworkDeviceCount(int32_t handle, int32_t *networkDeviceCount) {
    SimCall call("OmbixGetNetworkDeviceCount", handle, networkDeviceCount);
    *networkDeviceCount = board().networkDeviceCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetPciDeviceCount(int32_t handle, int32_t *pciDeviceCount) {
    SimCall call("OmbixGetPciDeviceCount", handle, pciDeviceCount);
    *pciDeviceCount = board().pciDeviceCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetStorageCount(int32_t handle, int32_t *storageCount) {
    SimCall call("OmbixGetStorageCount", handle, storageCount);
    *storageCount = static_cast<int32_t>(board().storage.size());
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetStorageSize(int32_t handle, int32_t storageNr, int32_t *storageSize) {
    SimCall call("OmbixGetStorageSize", handle, storageNr, storageSize);
    if (!valid_index(storageNr, board().storage.size())) return call.finish(kNoDevice);
    *storageSize = static_cast<int32_t>(board().storage[static_cast<std::size_t>(storageNr)].size());
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetI2cBusCount(int32_t handle, uint8_t *i2cBusCount) {
    SimCall call("OmbixGetI2cBusCount", handle, i2cBusCount);
    *i2cBusCount = board().i2cBusCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetSmbusCount(int32_t handle, uint8_t *smbusCount) {
    SimCall call("OmbixGetSmbusCount", handle, smbusCount);
    *smbusCount = board().smbusCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGetSpiBusCount(int32_t handle, uint8_t *spiBusCount) {
    SimCall call("OmbixGetSpiBusCount", handle, spiBusCount);
    *spiBusCount = board().spiBusCount;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGpioGetCount(int32_t handle, uint32_t *gpioCount) {
    SimCall call("OmbixGpioGetCount", handle, gpioCount);
    *gpioCount = static_cast<uint32_t>(board().gpio.size());
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGpioGetDirection(int32_t handle, uint32_t gpioNr, uint8_t *direction) {
    SimCall call("OmbixGpioGetDirection", handle, gpioNr, direction);
    GpioLine *line = gpio_at(gpioNr);
    if (line == nullptr) return call.finish(kNoDevice);
    *direction = line->direction;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGpioGetDirectionCaps(int32_t handle, uint32_t gpioNr, uint8_t *isInput, uint8_t *isOutput) {
    SimCall call("OmbixGpioGetDirectionCaps", handle, gpioNr, isInput, isOutput);
    GpioLine *line = gpio_at(gpioNr);
    if (line == nullptr) return call.finish(kNoDevice);
    *isInput = line->canInput;
    *isOutput = line->canOutput;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGpioSetDirection(int32_t handle, uint32_t gpioNr, uint8_t direction) {
    SimCall call("OmbixGpioSetDirection", handle, gpioNr, direction);
    GpioLine *line = gpio_at(gpioNr);
    if (line == nullptr) return call.finish(kNoDevice);
    if (direction > kGpioOutput) return call.finish(kInvalidValue);
    if (direction == kGpioOutput && !line->canOutput) return call.finish(kDenied);
    line->direction = direction;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGpioGetLevel(int32_t handle, uint32_t gpioNr, uint8_t *level) {
    SimCall call("OmbixGpioGetLevel", handle, gpioNr, level);
    GpioLine *line = gpio_at(gpioNr);
    if (line == nullptr) return call.finish(kNoDevice);
    *level = line->level;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixGpioSetLevel(int32_t handle, uint32_t gpioNr, uint8_t level) {
    SimCall call("OmbixGpioSetLevel", handle, gpioNr, level);
    GpioLine *line = gpio_at(gpioNr);
    if (line == nullptr) return call.finish(kNoDevice);
    if (level > 1) return call.finish(kInvalidValue);
    if (line->direction != kGpioOutput) return call.finish(kDenied);
    line->level = level;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixWatchdogGetCap(int32_t handle, int32_t *maxTimeout) {
    SimCall call("OmbixWatchdogGetCap", handle, maxTimeout);
    *maxTimeout = board().watchdogMaxTimeout;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixWatchdogEnable(int32_t handle, int32_t timeout) {
    SimCall call("OmbixWatchdogEnable", handle, timeout);
    if (timeout <= 0 || timeout > board().watchdogMaxTimeout) return call.finish(kInvalidValue);
    board().watchdogTimeout = timeout;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixWatchdogTrigger(int32_t handle) {
    SimCall call("OmbixWatchdogTrigger", handle);
    if (board().watchdogTimeout == 0) return call.finish(kDenied);
    ++board().watchdogTriggers;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixWatchdogDisable(int32_t handle) {
    SimCall call("OmbixWatchdogDisable", handle);
    board().watchdogTimeout = 0;
    return call.finish(OMBIX_RC_OK);
}

}  // extern "C"
