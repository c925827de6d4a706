#include "board.h"

namespace ombix::sim {

Board initial_board() {
    Board b;
    b.bootCount = 1342;
    b.upTimeSeconds = 3 * 86400 + 5 * 3600 + 17 * 60 + 9;
    b.intruderStatus = 1;  // the case was opened once since the last reset
    b.password = "admin";

    b.cpuTemps = {52, 55};
    b.cpuFreqs[0] = 1800;
    b.cpuFreqs[1] = 2100;
    b.cpuFreqs[2] = 3400;
    b.chipsetTemp = 47;
    b.systemTemp = 38;
    b.performanceState = 1;
    b.performanceStatesMask = 0x0F;  // states 0 to 3

    b.fans = {{"CPU fan", kFanAuto, 128, 2400, 0, 0},
              {"System fan", kFanAuto, 96, 1800, 0, 0},
              {"Chassis fan", kFanThermalCruise, 64, 1200, 45, 3}};
    b.tempSensors = {{"CPU", 52}, {"Chipset", 47}, {"System", 38}, {"DIMM", 41}};
    b.voltageSensors = {{"Vcore", 1104}, {"3.3V", 3312}, {"5V", 5040}, {"12V", 12096}, {"VBAT", 3020}};

    b.backlights = {80, 100};
    b.gpio.resize(8);
    for (std::size_t i = 0; i < b.gpio.size(); ++i) {
        b.gpio[i].canOutput = i >= 2;  // lines 0 and 1 are input only
        b.gpio[i].level = i % 2;
    }
    b.watchdogMaxTimeout = 255;

    b.batteryCount = 2;
    b.diskDriveCount = 2;
    b.diskPartitionCount = 3;
    b.smartAttrCounts = {12, 9};
    b.memoryModuleCount = 2;
    b.networkDeviceCount = 2;
    b.pciDeviceCount = 6;
    b.i2cBusCount = 2;
    b.smbusCount = 1;
    b.spiBusCount = 1;
    b.storage = {std::vector<std::uint8_t>(262144), std::vector<std::uint8_t>(4096)};
    b.devices = initial_devices();
    b.records = initial_records();
    return b;
}

}  // namespace ombix::sim
