// Records and lists the simulated board reports (boards, CPU, memory,
// batteries, disks, PCI and network devices, performance states). Sensors and
// fans are the board's own (board.h); their lists are built from them.
#ifndef OMBIX_SIM_RECORD_DATA_H
#define OMBIX_SIM_RECORD_DATA_H

#include <string>
#include <vector>

#include "ombix_records.h"

namespace ombix::sim {

struct RecordData {
    BOARD_INFO boardInfo{};
    LIB_VERSION libVersion{};
    CPU_INFO cpuInfo{};
    MEMORY_INFO memoryInfo{};
    std::vector<MEMORY_MODULE> memoryModules;
    std::vector<BATTERY_INFO> batteries;
    std::vector<BATTERY_STATE> batteryStates;    // one per battery
    std::vector<std::string> performanceStates;  // description by state number
    std::vector<DISK_DRIVE> diskDrives;
    std::vector<DISK_PARTITION> diskPartitions;
    std::vector<std::vector<SMART_ATTRIBUTE>> smartAttributes;  // per disk
    std::vector<PCI_DEVICE> pciDevices;
    std::vector<NETWORK_DEVICE> networkDevices;
};

// The records of the board after power-on.
RecordData initial_records();

// Copies `text` into a record's text field, cut to fit with its terminator.
void set_text(char (&field)[OMBIX_TEXT_SIZE], const std::string &text);

}  // namespace ombix::sim

#endif
