// Finding hwmon chips and their channels from their sysfs attributes.
#include "hwmon_scan.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "sysfs.h"

namespace ombix::linux_board {
namespace {

// "temp12_input" -> kind "temp", number 12, item "input"; "pwm2" -> item "".
bool split_attribute(const std::string &file, std::string &kind, int &number, std::string &item) {
    std::size_t i = 0;
    while (i < file.size() && file[i] >= 'a' && file[i] <= 'z') ++i;
    std::size_t digits = i;
    while (i < file.size() && file[i] >= '0' && file[i] <= '9') ++i;
    if (digits == 0 || i == digits || i - digits > 4) return false;
    kind = file.substr(0, digits);
    number = std::atoi(file.substr(digits, i - digits).c_str());
    if (i == file.size()) {
        item.clear();
        return true;
    }
    if (file[i] != '_') return false;
    item = file.substr(i + 1);
    return true;
}

std::string bus_address_of(const std::string &device_path) {
    std::string last = device_path.substr(device_path.find_last_of('/') + 1);
    auto dash = last.find('-');
    if (dash != std::string::npos && last.size() - dash - 1 == 4) {
        std::string address = last.substr(dash + 1);
        while (address.size() > 2 && address[0] == '0') address.erase(0, 1);
        return "0x" + address;
    }
    return last;
}

HwmonChannel channel(const std::string &folder, const std::string &kind, int number, const std::string &input_item) {
    HwmonChannel c;
    c.number = number;
    std::string base = folder + "/" + kind + std::to_string(number);
    auto label = read_text(base + "_label");
    c.label = label && !label->empty() ? *label : kind + std::to_string(number);
    if (!input_item.empty() && exists(base + "_" + input_item)) c.input = base + "_" + input_item;
    return c;
}

}  // namespace

std::vector<HwmonChip> scan_hwmon(const std::string &root) {
    std::vector<HwmonChip> chips;
    const std::string class_folder = root + "/sys/class/hwmon";
    for (const std::string &entry : list_folder(class_folder)) {
        HwmonChip chip;
        std::string folder = class_folder + "/" + entry;
        // Older drivers keep their attributes in the device's folder.
        chip.folder = exists(folder + "/name") ? folder : folder + "/device";
        auto name = read_text(chip.folder + "/name");
        if (!name) continue;
        chip.name = *name;
        std::string device = exists(folder + "/device") ? resolved(folder + "/device") : resolved(folder);
        chip.sort_key = stable_key(device) + "/" + chip.name;
        if (!root.empty() && device.rfind(resolved(root), 0) == 0) device = device.substr(resolved(root).size());
        chip.device_path = device;
        chip.bus_address = bus_address_of(device);

        std::map<std::string, std::set<int>> numbers;
        for (const std::string &file : list_folder(chip.folder)) {
            std::string kind, item;
            int number = 0;
            if (!split_attribute(file, kind, number, item)) continue;
            if ((kind == "temp" || kind == "in" || kind == "fan") && item == "input") numbers[kind].insert(number);
            if (kind == "intrusion" && item == "alarm") numbers[kind].insert(number);
            if (kind == "pwm" && item.empty()) numbers[kind].insert(number);
        }
        for (int n : numbers["temp"]) chip.temps.push_back(channel(chip.folder, "temp", n, "input"));
        for (int n : numbers["in"]) chip.voltages.push_back(channel(chip.folder, "in", n, "input"));
        for (int n : numbers["fan"]) chip.fans.push_back(channel(chip.folder, "fan", n, "input"));
        for (int n : numbers["intrusion"]) chip.intrusions.push_back(channel(chip.folder, "intrusion", n, "alarm"));
        chip.pwms.assign(numbers["pwm"].begin(), numbers["pwm"].end());
        chips.push_back(std::move(chip));
    }
    std::stable_sort(chips.begin(), chips.end(),
                     [](const HwmonChip &a, const HwmonChip &b) { return a.sort_key < b.sort_key; });
    return chips;
}

}  // namespace ombix::linux_board
