// The hwmon chips of the machine and their channels, in stable order.
#ifndef OMBIX_LINUX_HWMON_SCAN_H
#define OMBIX_LINUX_HWMON_SCAN_H

#include <map>
#include <string>
#include <vector>

namespace ombix::linux_board {

// One channel of a chip: "temp3" has kind "temp" and number 3.
struct HwmonChannel {
    int number = 0;
    std::string label;                // the chip's label, or sensors.conf's, or "temp3"
    std::string input;                // the attribute holding the reading ("" when there is none)
    bool read_by_libsensors = false;  // sensors.conf computes its value: read through libsensors
    int libsensors_chip = -1;         // index of the chip and subfeature in libsensors
    int libsensors_subfeature = -1;
};

struct HwmonChip {
    std::string folder;       // the folder with the attributes
    std::string name;         // the driver's chip name ("lm75")
    std::string device_path;  // below /sys/devices, without the root prefix
    std::string sort_key;     // stable_key(device_path)
    std::string bus_address;  // "0x48" for an I2C client, else the device's folder name
    std::vector<HwmonChannel> temps, voltages, fans, intrusions;
    std::vector<int> pwms;  // channel numbers with a pwmN attribute
};

// Finds the chips below `root`/sys/class/hwmon by their attributes, ordered
// by their place under /sys/devices (never by hwmon index).
std::vector<HwmonChip> scan_hwmon(const std::string &root);

// On the real root: drops what sensors.conf ignores, takes its labels, and
// marks inputs whose value it computes to be read through libsensors.
// Without a usable libsensors the chips stay as scanned.
void apply_libsensors(std::vector<HwmonChip> &chips);

// The value of a channel marked read_by_libsensors, in the attribute's unit
// (millidegrees, millivolts); 0 or an errno value.
int read_through_libsensors(const HwmonChannel &channel, long long &value);

}  // namespace ombix::linux_board

#endif
