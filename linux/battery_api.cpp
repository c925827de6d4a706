// Batteries from the power_supply class, in the records' units: mV, mWh and
// minutes (the kernel's are µV, µWh or µAh, µW or µA, and seconds).
#include <algorithm>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace ombix::linux_board {

void discover_power_supplies(Board &board) {
    const std::string folder = board.path("/sys/class/power_supply");
    std::vector<std::pair<std::string, PowerSupply>> batteries, external;
    for (const std::string &name : list_folder(folder)) {
        PowerSupply supply{folder + "/" + name, name};
        auto type = read_text(supply.folder + "/type");
        auto scope = read_text(supply.folder + "/scope");
        std::string key = stable_key(resolved(supply.folder)) + "/" + name;
        // A mouse's or a pen's battery ("Device" scope) does not power the board.
        if (type && *type == "Battery" && !(scope && *scope == "Device")) batteries.emplace_back(key, supply);
        if (type && (*type == "Mains" || type->rfind("USB", 0) == 0)) external.emplace_back(key, supply);
    }
    auto by_key = [](const auto &a, const auto &b) { return a.first < b.first; };
    std::sort(batteries.begin(), batteries.end(), by_key);
    std::sort(external.begin(), external.end(), by_key);
    for (auto &b : batteries) board.batteries.push_back(b.second);
    for (auto &e : external) board.external_supplies.push_back(e.second);
}

}  // namespace ombix::linux_board

namespace {

constexpr int32_t kUnknown = -1;

std::optional<std::int64_t> attribute(const PowerSupply &supply, const char *name) {
    return read_integer(supply.folder + "/" + name);
}

int32_t clamp32(std::int64_t value) {
    return static_cast<int32_t>(std::clamp<std::int64_t>(value, INT32_MIN + 1, INT32_MAX));
}

// The voltage (µV) that turns charge (µAh) into energy: the design voltage,
// else the present one.
std::optional<std::int64_t> conversion_voltage(const PowerSupply &supply) {
    for (const char *name : {"voltage_min_design", "voltage_max_design", "voltage_now"}) {
        auto value = attribute(supply, name);
        if (value && *value > 0) return value;
    }
    return std::nullopt;
}

// An energy in mWh from energy_<what> (µWh) or charge_<what> (µAh).
int32_t energy_mwh(const PowerSupply &supply, const std::string &what) {
    if (auto energy = attribute(supply, ("energy_" + what).c_str())) return clamp32(*energy / 1000);
    auto charge = attribute(supply, ("charge_" + what).c_str());
    auto volts = conversion_voltage(supply);
    if (charge && volts) return clamp32(*charge / 1000 * *volts / 1000000);
    return kUnknown;
}

int32_t minutes(const PowerSupply &supply, std::initializer_list<const char *> names) {
    for (const char *name : names) {
        if (auto seconds = attribute(supply, name)) return clamp32(*seconds / 60);
    }
    return kUnknown;
}

std::optional<PowerSupply> battery_at(const Board &board, int8_t slot) {
    if (!valid_index(slot, board.batteries.size())) return std::nullopt;
    return board.batteries[static_cast<std::size_t>(slot)];
}

}  // namespace

extern "C" {

int32_t OmbixGetBatteryCount(int32_t, int8_t *batteryCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (batteryCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *batteryCount = static_cast<int8_t>(std::min<std::size_t>(board.batteries.size(), 127));
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetBatteryInfo(int32_t, int8_t slotNr, BATTERY_INFO *batteryInfo) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (batteryInfo == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        auto battery = battery_at(board, slotNr);
        if (!battery) return OMBIX_LINUX_RC_NO_DEVICE;
        if (!exists(battery->folder)) return os_error(ENODEV);
        BATTERY_INFO info{};
        auto model = read_text(battery->folder + "/model_name");
        set_text(info.deviceName, model && !model->empty() ? *model : battery->name);
        set_text(info.type, read_text(battery->folder + "/technology").value_or(""));
        set_text(info.serialNumber, read_text(battery->folder + "/serial_number").value_or(""));
        auto design = attribute(*battery, "voltage_min_design");
        if (!design) design = attribute(*battery, "voltage_max_design");
        info.designedVoltage = design ? clamp32(*design / 1000) : kUnknown;
        info.designedCapacity = energy_mwh(*battery, "full_design");
        info.fullyChargedCapacity = energy_mwh(*battery, "full");
        auto cycles = attribute(*battery, "cycle_count");
        info.cycleCount = cycles ? clamp32(*cycles) : kUnknown;
        *batteryInfo = info;
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetBatteryState(int32_t, int8_t slotNr, BATTERY_STATE *batteryState) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (batteryState == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        auto battery = battery_at(board, slotNr);
        if (!battery) return OMBIX_LINUX_RC_NO_DEVICE;
        auto status = read_text(battery->folder + "/status");
        if (!status) return os_error(errno);
        BATTERY_STATE state{};
        static const char *const kStatus[] = {"Unknown", "Charging", "Discharging", "Not charging", "Full"};
        state.chargeState = 0;
        for (int i = 0; i < 5; ++i) {
            if (*status == kStatus[i]) state.chargeState = i;
        }
        bool discharging = state.chargeState == 2;
        // On external power while any mains or USB supply is online.
        state.powerState = kUnknown;
        if (!board.external_supplies.empty()) {
            state.powerState = 0;
            for (const PowerSupply &s : board.external_supplies) {
                if (attribute(s, "online").value_or(0) != 0) state.powerState = 1;
            }
        } else if (state.chargeState != 0) {
            state.powerState = discharging ? 0 : 1;
        }
        state.fullBatteryRemainingTime = minutes(*battery, {"time_to_full_now", "time_to_full_avg"});
        state.remainingTime = minutes(*battery, {"time_to_empty_now", "time_to_empty_avg"});
        state.remainingCapacity = energy_mwh(*battery, "now");
        auto volts = attribute(*battery, "voltage_now");
        state.currentVoltage = volts ? clamp32(*volts / 1000) : kUnknown;
        // mW, negative while discharging; 0 when the battery reports neither power nor current.
        std::int64_t rate = 0;
        if (auto power = attribute(*battery, "power_now")) {
            rate = std::llabs(*power) / 1000;
        } else if (auto current = attribute(*battery, "current_now"); current && volts) {
            rate = std::llabs(*current) / 1000 * *volts / 1000000;
        }
        state.rate = clamp32(discharging ? -rate : rate);
        *batteryState = state;
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
