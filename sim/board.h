// The state of the simulated board. Every function of the simulated local API
// reads and changes this state, so a set followed by a get shows the change.
#ifndef OMBIX_SIM_BOARD_H
#define OMBIX_SIM_BOARD_H

#include <cstdint>
#include <string>
#include <vector>

#include "devices.h"
#include "record_data.h"

namespace ombix::sim {

enum FanMode : std::uint8_t { kFanAuto = 0, kFanManualPwm = 1, kFanManualRpm = 2, kFanThermalCruise = 3 };
enum GpioDirection : std::uint8_t { kGpioInput = 0, kGpioOutput = 1 };

struct Fan {
    std::string name;
    std::uint8_t mode = kFanAuto;
    std::uint8_t pwm = 0;
    std::int32_t rpm = 0;
    std::uint32_t targetTemp = 0;
    std::uint32_t toleranceTemp = 0;
};

struct GpioLine {
    bool canInput = true;
    bool canOutput = true;
    std::uint8_t direction = kGpioInput;
    std::uint8_t level = 0;
};

struct Sensor {
    std::string name;
    std::int32_t value = 0;
};

struct Board {
    // Counters and status.
    std::int32_t bootCount = 0;
    std::int32_t upTimeSeconds = 0;
    std::int32_t intruderStatus = 0;
    std::int32_t systemState = 0;
    std::string password;

    // CPU, chipset, performance.
    std::vector<std::int32_t> cpuTemps;
    std::int32_t cpuFreqs[3] = {};  // by frequency type: current, base, maximum
    std::int8_t cpuPerformance = 100;
    std::int32_t chipsetTemp = 0;
    std::int32_t systemTemp = 0;
    std::uint32_t performanceState = 0;
    std::uint32_t performanceStatesMask = 0;

    // Cooling.
    std::vector<Fan> fans;  // fans[0] is the CPU fan, fans[1] the system fan
    std::vector<Sensor> tempSensors;
    std::vector<Sensor> voltageSensors;

    // Displays, GPIO, watchdog.
    std::vector<std::int32_t> backlights;  // per display, 0 to 100
    std::vector<GpioLine> gpio;
    std::int32_t watchdogMaxTimeout = 0;
    std::int32_t watchdogTimeout = 0;  // 0 while disabled
    std::int32_t watchdogTriggers = 0;

    // Device counts the scalar calls report.
    std::int8_t batteryCount = 0;
    std::int32_t diskDriveCount = 0;
    std::int32_t diskPartitionCount = 0;
    std::vector<std::int32_t> smartAttrCounts;  // per disk
    std::int32_t memoryModuleCount = 0;
    std::int32_t networkDeviceCount = 0;
    std::int32_t pciDeviceCount = 0;
    std::uint8_t i2cBusCount = 0;
    std::uint8_t smbusCount = 0;
    std::uint8_t spiBusCount = 0;
    std::vector<std::vector<std::uint8_t>> storage;  // user storage areas

    RecordData records;
    Devices devices;
};

// The board as it is after power-on.
Board initial_board();

}  // namespace ombix::sim

#endif
