// Temperature and voltage sensors and fans from the hwmon chips: their
// numbers, unique names, and which of them are the CPU, chipset and system
// temperature and the CPU and system fan.
#include <algorithm>
#include <cctype>
#include <map>

#include "board.h"
#include "sysfs.h"

namespace ombix::linux_board {
namespace {

// How each chip is called in sensor names: its chip name, with its bus
// address where another chip has the same name, and its place in order
// where even that is shared.
std::vector<std::string> chip_names(const std::vector<HwmonChip> &chips) {
    std::map<std::string, int> by_name, by_address;
    for (const HwmonChip &c : chips) {
        ++by_name[c.name];
        ++by_address[c.name + "@" + c.bus_address];
    }
    std::vector<std::string> names;
    std::map<std::string, int> seen;
    for (const HwmonChip &c : chips) {
        std::string name = c.name;
        if (by_name[c.name] > 1) {
            name += "@" + c.bus_address;
            if (by_address[name] > 1) name += "#" + std::to_string(++seen[name]);
        }
        names.push_back(name);
    }
    return names;
}

std::string shown(const std::map<std::string, std::string> &names, const std::string &default_name) {
    auto it = names.find(default_name);
    return it == names.end() ? default_name : it->second;
}

// A sensor or fan named by the board file: by the name shown or the default.
template <typename T>
int find_named(const std::vector<T> &items, const std::string &name) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].name == name || items[i].default_name == name) return static_cast<int>(i);
    }
    return -1;
}

std::string lower(std::string text) {
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Where the chip's mode values for a fan are known from its driver.
FanModeValues driver_fan_modes(const std::string &driver) {
    FanModeValues modes;
    modes.manual = 1;  // the hwmon ABI: 1 is manual pwm control
    static const char *const kClosedLoop[] = {"max6650", "max6651"};
    for (const char *d : kClosedLoop) {
        if (driver == d) modes.rpm = 2;
    }
    static const char *const kThermalCruise[] = {"nct6106",   "nct6116",   "nct6775",   "nct6776", "nct6779", "nct6791",
                                                 "nct6792",   "nct6793",   "nct6795",   "nct6796", "nct6797", "nct6798",
                                                 "w83627ehf", "w83627dhg", "w83627dhg", "w83667hg"};
    for (const char *d : kThermalCruise) {
        if (driver == d) modes.thermal_cruise = 2;
    }
    return modes;
}

std::string first_existing(std::initializer_list<std::string> paths) {
    for (const std::string &p : paths) {
        if (exists(p)) return p;
    }
    return "";
}

void assign_roles(Board &board, const std::vector<HwmonChip> &chips, const std::vector<int> &temp_chip) {
    const BoardFile &file = board.file;
    if (file.cpu_temps) {
        for (const std::string &name : *file.cpu_temps) board.cpu_temps.push_back(find_named(board.temps, name));
    } else {
        // One reading per processor package: coretemp's "Package id N", else
        // the first temperature of each AMD or SoC CPU chip.
        std::vector<std::pair<int, int>> packages;
        for (std::size_t i = 0; i < board.temps.size(); ++i) {
            const HwmonChip &chip = chips[static_cast<std::size_t>(temp_chip[i])];
            const std::string &label = board.temps[i].channel.label;
            if (chip.name == "coretemp" && label.rfind("Package id ", 0) == 0) {
                packages.emplace_back(std::atoi(label.c_str() + 11), static_cast<int>(i));
            }
        }
        std::sort(packages.begin(), packages.end());
        for (auto &p : packages) board.cpu_temps.push_back(p.second);
        if (board.cpu_temps.empty()) {
            int last_chip = -1;
            for (std::size_t i = 0; i < board.temps.size(); ++i) {
                const std::string &name = chips[static_cast<std::size_t>(temp_chip[i])].name;
                bool cpu = name == "k10temp" || name == "zenpower" || name == "cpu_thermal" || name == "soc_thermal";
                if (cpu && temp_chip[i] != last_chip) board.cpu_temps.push_back(static_cast<int>(i));
                if (cpu) last_chip = temp_chip[i];
            }
        }
    }
    auto first_of_chip = [&](auto match) {
        for (std::size_t i = 0; i < board.temps.size(); ++i) {
            if (match(chips[static_cast<std::size_t>(temp_chip[i])].name)) return static_cast<int>(i);
        }
        return -1;
    };
    board.chipset_temp = file.chipset_temp
                             ? find_named(board.temps, *file.chipset_temp)
                             : first_of_chip([](const std::string &n) { return n.rfind("pch_", 0) == 0; });
    board.system_temp = file.system_temp ? find_named(board.temps, *file.system_temp)
                                         : first_of_chip([](const std::string &n) { return n == "acpitz"; });

    auto labelled = [&](std::initializer_list<const char *> words) {
        for (std::size_t i = 0; i < board.fans.size(); ++i) {
            std::string label = lower(board.fans[i].default_name);
            for (const char *w : words) {
                if (label.find(w) != std::string::npos) return static_cast<int>(i);
            }
        }
        return -1;
    };
    if (file.cpu_fan) {
        board.cpu_fan = find_named(board.fans, *file.cpu_fan);
    } else {
        board.cpu_fan = labelled({"cpu"});
        if (board.cpu_fan < 0 && !board.fans.empty()) board.cpu_fan = 0;
    }
    if (file.system_fan) {
        board.system_fan = find_named(board.fans, *file.system_fan);
    } else {
        board.system_fan = labelled({"sys", "chassis", "case"});
        if (board.system_fan < 0 && board.fans.size() > 1) board.system_fan = board.cpu_fan == 1 ? 0 : 1;
    }
}

}  // namespace

void discover_hwmon(Board &board, std::vector<HwmonChip> chips) {
    std::vector<std::string> names = chip_names(chips);
    std::vector<int> temp_chip;
    for (std::size_t c = 0; c < chips.size(); ++c) {
        HwmonChip &chip = chips[c];
        auto sensor = [&](const HwmonChannel &channel) {
            Sensor s;
            s.default_name = names[c] + " " + channel.label;
            s.name = shown(board.file.sensor_names, s.default_name);
            s.channel = channel;
            s.input = ValueFile(channel.input);
            s.input.open();
            return s;
        };
        for (const HwmonChannel &channel : chip.temps) {
            board.temps.push_back(sensor(channel));
            temp_chip.push_back(static_cast<int>(c));
        }
        for (const HwmonChannel &channel : chip.voltages) board.voltages.push_back(sensor(channel));
        for (const HwmonChannel &channel : chip.fans) {
            Fan f;
            f.default_name = names[c] + " " + channel.label;
            f.name = shown(board.file.fan_names, f.default_name);
            f.driver = chip.name;
            f.rpm = ValueFile(channel.input);
            f.rpm.open();
            std::string pwm = chip.folder + "/pwm" + std::to_string(channel.number);
            if (std::find(chip.pwms.begin(), chip.pwms.end(), channel.number) != chip.pwms.end()) {
                f.pwm = pwm;
                f.enable = first_existing({pwm + "_enable"});
                f.target_temp = first_existing({pwm + "_target_temp", pwm + "_target"});
                f.tolerance = first_existing({pwm + "_temp_tolerance", pwm + "_tolerance"});
                f.pwm_value = ValueFile(f.pwm);
                f.pwm_value.open();
                if (!f.enable.empty()) {
                    f.enable_value = ValueFile(f.enable);
                    f.enable_value.open();
                }
            }
            f.target = first_existing({chip.folder + "/fan" + std::to_string(channel.number) + "_target"});
            f.modes = driver_fan_modes(chip.name);
            auto configured = board.file.fan_modes.find(f.default_name);
            if (configured != board.file.fan_modes.end()) {
                if (configured->second.manual) f.modes.manual = configured->second.manual;
                if (configured->second.rpm) f.modes.rpm = configured->second.rpm;
                if (configured->second.thermal_cruise) f.modes.thermal_cruise = configured->second.thermal_cruise;
            }
            board.fans.push_back(std::move(f));
        }
        for (const HwmonChannel &channel : chip.intrusions) board.intrusion_alarms.push_back(channel.input);
    }
    assign_roles(board, chips, temp_chip);
}

}  // namespace ombix::linux_board
