#include "board_metrics.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <utility>

#include "api_lock.h"
#include "call_table.h"
#include "exposition_writer.h"
#include "server_metrics.h"

namespace ombixd {
namespace {

namespace calls = ombix::calls;

// Lists the board could claim to be endless are read this far, so that a
// scrape stays bounded.
constexpr std::int64_t kMostCpus = 64;
constexpr std::int64_t kMostSensors = 512;
constexpr std::int64_t kMostFans = 64;
constexpr std::int64_t kMostBatteries = 16;
constexpr std::int64_t kMostGpioLines = 512;

constexpr double kMilli = 0.001;
constexpr double kJoulesPerMilliwattHour = 3.6;

// The position of a call in the table order, found once per call.
std::size_t index_of(const char *name) {
    std::size_t index = 0;
    for (const calls::CallDescription *call : calls::all()) {
        if (std::strcmp(call->name, name) == 0) return index;
        ++index;
    }
    return index;
}

// Calls board functions as the executor would (handle 0, under the API lock
// unless the board is thread-safe) and keeps the families they fill.
class BoardReader {
public:
    explicit BoardReader(std::chrono::steady_clock::time_point deadline) : deadline_(deadline) {}

    // True when `Row`'s function ran and answered 0 or 16; a failure is
    // counted, a read past the deadline is not made.
    template <typename Row, typename... Arguments>
    bool read(Arguments... arguments) {
        if (cut_) return false;
        if (std::chrono::steady_clock::now() >= deadline_) {
            cut_ = true;
            count_board_read_deadline();
            return false;
        }
        static const std::size_t index = index_of(Row::kDescription.name);
        auto function = reinterpret_cast<typename Row::Function>(board_function(index));
        std::int32_t code = -1;
        if (function != nullptr) {
            auto lock = lock_board();
            code = function(0, arguments...);
        }
        if (code == OMBIX_RC_OK || code == OMBIX_RC_OUTPUTS_VALID) return true;
        count_board_read_failure(Row::kDescription.name);
        return false;
    }

    Family &family(const char *name, const char *help, const char *type = "gauge") {
        families_.emplace_back(name, help, type);
        return families_.back();
    }

    void append(std::string &out) const {
        for (const Family &f : families_) f.append(out);
    }

private:
    std::chrono::steady_clock::time_point deadline_;
    bool cut_ = false;
    std::deque<Family> families_;  // a deque: the families handed out stay where they are
};

std::string number(std::int64_t n) {
    char text[24];
    auto end = std::to_chars(text, text + sizeof text, n).ptr;
    return std::string(text, end);
}

template <typename Row, typename T>
void scalar(BoardReader &reader, Family &family, double scale = 1) {
    T value{};
    if (reader.read<Row>(&value)) family.add({}, static_cast<double>(value) * scale);
}

void read_system(BoardReader &reader) {
    scalar<calls::SystemUpTime, std::int32_t>(reader,
                                              reader.family("ombix_up_time_seconds", "Time since the board started."));
    scalar<calls::GetBootCounter, std::int32_t>(
        reader, reader.family("ombix_boots_total", "Times the board has started.", "counter"));
    scalar<calls::GetIntruderStatus, std::int32_t>(
        reader,
        reader.family("ombix_intruder_detected", "1 when the case was opened since the intruder status was reset."));
    scalar<calls::GetPerformanceState, std::uint32_t>(
        reader, reader.family("ombix_performance_state", "The performance state in force; 0 is the fastest."));
    scalar<calls::GetCpuPerformance, std::int8_t>(
        reader, reader.family("ombix_cpu_performance_ratio", "The CPU performance limit, as a share of the maximum."),
        0.01);
    scalar<calls::WatchdogGetCap, std::int32_t>(
        reader, reader.family("ombix_watchdog_max_timeout_seconds",
                              "The longest timeout the board's watchdog takes; 0 when the board has no watchdog."));
}

void read_temperatures(BoardReader &reader) {
    Family &cpu = reader.family("ombix_cpu_temperature_celsius", "Temperature of each CPU package.");
    CPU_INFO info{};
    if (reader.read<calls::GetCpuInfo>(&info)) {
        for (std::int32_t n = 0; n < info.cpuCount && n < kMostCpus; ++n) {
            std::int32_t value = 0;
            if (reader.read<calls::GetCpuTemp>(n, &value)) cpu.add({{"cpu", number(n)}}, value);
        }
    }
    scalar<calls::GetChipsetTemp, std::int32_t>(
        reader, reader.family("ombix_chipset_temperature_celsius", "Temperature of the chipset."));
    scalar<calls::GetSystemTemp, std::int32_t>(
        reader, reader.family("ombix_system_temperature_celsius", "Temperature of the system."));
}

// Every sensor of a list, by its number and name.
template <typename CountRow, typename ListRow>
void read_sensors(BoardReader &reader, Family &family, double scale) {
    std::int32_t count = 0;
    if (!reader.read<CountRow>(&count) || count <= 0) return;
    if (count > kMostSensors) count = kMostSensors;
    std::vector<SENSOR_VALUE> sensors(static_cast<std::size_t>(count));
    if (!reader.read<ListRow>(sensors.data(), count)) return;
    for (std::int32_t k = 0; k < count; ++k) {
        const SENSOR_VALUE &s = sensors[static_cast<std::size_t>(k)];
        family.add({{"sensor", number(k)}, {"name", text_of(s.name)}}, s.value * scale);
    }
}

void read_fans(BoardReader &reader) {
    std::int32_t count = 0;
    if (!reader.read<calls::GetFanCount>(&count) || count <= 0) return;
    if (count > kMostFans) count = kMostFans;
    std::vector<FAN_INFO> fans(static_cast<std::size_t>(count));
    const bool named = reader.read<calls::GetFanList>(fans.data(), count);
    Family &rpm = reader.family("ombix_fan_speed_rpm", "Speed of each fan, in revolutions per minute.");
    Family &pwm = reader.family("ombix_fan_pwm", "Duty cycle driving each fan, 0 to 255; 0 stops it.");
    Family &mode = reader.family(
        "ombix_fan_mode", "Mode of each fan: 0 automatic, 1 manual duty cycle, 2 manual speed, 3 thermal cruise.");
    for (std::int32_t n = 0; n < count; ++n) {
        Labels labels{{"fan", number(n)}, {"name", named ? text_of(fans[static_cast<std::size_t>(n)].name) : ""}};
        std::uint8_t duty = 0, fan_mode = 0;
        std::int32_t speed = 0;
        if (reader.read<calls::GetFanSpeed>(n, &duty, &speed)) {
            rpm.add(labels, speed);
            pwm.add(labels, duty);
        }
        if (reader.read<calls::GetFanMode>(n, &fan_mode)) mode.add(labels, fan_mode);
    }
}

void read_batteries(BoardReader &reader) {
    std::int8_t count = 0;
    if (!reader.read<calls::GetBatteryCount>(&count) || count <= 0) return;
    Family &voltage = reader.family("ombix_battery_voltage_volts", "Present voltage of each battery.");
    Family &remaining = reader.family("ombix_battery_remaining_capacity_joules", "Energy left in each battery.");
    Family &full = reader.family("ombix_battery_full_capacity_joules", "Energy each battery holds when fully charged.");
    Family &ratio =
        reader.family("ombix_battery_charge_ratio", "Energy left in each battery, as a share of its full charge.");
    Family &time_left =
        reader.family("ombix_battery_remaining_time_seconds", "Time each battery lasts at the present rate.");
    Family &charge =
        reader.family("ombix_battery_charge_state",
                      "Charge state of each battery: 0 unknown, 1 charging, 2 discharging, 3 not charging, 4 full.");
    for (std::int8_t n = 0; n < count && n < kMostBatteries; ++n) {
        BATTERY_INFO info{};
        BATTERY_STATE state{};
        const bool have_info = reader.read<calls::GetBatteryInfo>(n, &info);
        if (!reader.read<calls::GetBatteryState>(n, &state)) continue;
        Labels labels{{"battery", number(n)}, {"name", have_info ? text_of(info.deviceName) : ""}};
        // -1 stands for a value the board does not report.
        if (state.currentVoltage >= 0) voltage.add(labels, state.currentVoltage * kMilli);
        if (state.remainingCapacity >= 0) remaining.add(labels, state.remainingCapacity * kJoulesPerMilliwattHour);
        if (have_info && info.fullyChargedCapacity > 0) {
            full.add(labels, info.fullyChargedCapacity * kJoulesPerMilliwattHour);
            if (state.remainingCapacity >= 0)
                ratio.add(labels, static_cast<double>(state.remainingCapacity) / info.fullyChargedCapacity);
        }
        if (state.remainingTime >= 0) time_left.add(labels, state.remainingTime * 60.0);
        charge.add(labels, state.chargeState);
    }
}

void read_gpio(BoardReader &reader) {
    std::uint32_t count = 0;
    if (!reader.read<calls::GpioGetCount>(&count)) return;
    Family &level = reader.family("ombix_gpio_level", "Level of each GPIO line, 0 or 1.");
    for (std::uint32_t n = 0; n < count && n < kMostGpioLines; ++n) {
        std::uint8_t value = 0;
        if (reader.read<calls::GpioGetLevel>(n, &value)) level.add({{"line", number(n)}}, value);
    }
}

}  // namespace

void append_board_families(std::chrono::steady_clock::time_point deadline, std::string &out) {
    BoardReader reader(deadline);
    read_system(reader);
    read_temperatures(reader);
    read_sensors<calls::GetTempSensorCount, calls::GetTempSensorList>(
        reader, reader.family("ombix_temperature_celsius", "Reading of each temperature sensor."), 1);
    read_sensors<calls::GetVoltageSensorCount, calls::GetVoltageSensorList>(
        reader, reader.family("ombix_voltage_volts", "Reading of each voltage sensor."), kMilli);
    read_fans(reader);
    read_batteries(reader);
    read_gpio(reader);
    reader.append(out);
}

}  // namespace ombixd
