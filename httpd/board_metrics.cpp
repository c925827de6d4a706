#include "board_metrics.h"

#include <jansson.h>

#include <cstdint>
#include <deque>
#include <string>

#include "api_lock.h"
#include "server_metrics.h"

namespace ombixd {
namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;
using Labels = std::vector<ClientMetric::Label>;

// Lists the board could claim to be endless are read this far, so that a
// scrape stays bounded; the executor itself stops record lists at 512.
constexpr std::int64_t kMostCpus = 64;
constexpr std::int64_t kMostFans = 64;
constexpr std::int64_t kMostBatteries = 16;
constexpr std::int64_t kMostGpioLines = 512;

constexpr double kMilli = 0.001;
constexpr double kJoulesPerMilliwattHour = 3.6;

// Runs calls through the executor, as a client's calls run, and keeps the
// families they fill.
class BoardReader {
public:
    explicit BoardReader(std::chrono::steady_clock::time_point deadline) : deadline_(deadline) {}

    // The output list of `call` with integer parameters named `names`, or
    // null when the board failed the call (counted) or time ran out.
    // The caller releases the list.
    json_t *run(const char *call, std::initializer_list<std::pair<const char *, std::int64_t>> parameters = {}) {
        if (cut_) return nullptr;
        if (std::chrono::steady_clock::now() >= deadline_) {
            cut_ = true;
            count_board_read_deadline();
            return nullptr;
        }
        json_t *list = nullptr;
        if (parameters.size() > 0) {
            list = json_array();
            for (const auto &[name, value] : parameters)
                json_array_append_new(list, json_pack("{s:s, s:I}", "i", name, "v", static_cast<json_int_t>(value)));
        }
        json_t *answer = execute(call, list);
        json_decref(list);
        json_t *outs = nullptr;
        json_int_t code = json_integer_value(json_object_get(answer, "ret"));
        if (answer != nullptr && json_is_integer(json_object_get(answer, "ret")) && (code == 0 || code == 16))
            outs = json_incref(json_object_get(answer, "outs"));
        json_decref(answer);
        if (!json_is_array(outs)) {
            json_decref(outs);
            count_board_read_failure(call);
            return nullptr;
        }
        return outs;
    }

    MetricFamily &family(const char *name, const char *help, MetricType type = MetricType::Gauge) {
        families_.push_back(MetricFamily{name, help, type, {}});
        return families_.back();
    }

    std::vector<MetricFamily> take() {
        std::vector<MetricFamily> kept;
        for (MetricFamily &f : families_)
            if (!f.metric.empty()) kept.push_back(std::move(f));
        return kept;
    }

private:
    std::chrono::steady_clock::time_point deadline_;
    bool cut_ = false;
    std::deque<MetricFamily> families_;  // a deque: the families handed out stay where they are
};

// The value "v" of the named value at `index` of a value list.
json_t *value_at(const json_t *list, std::size_t index) {
    return json_object_get(json_array_get(list, index), "v");
}

// The value "v" of the named value called `name` in a record's value list.
json_t *field(const json_t *record, const char *name) {
    std::size_t k;
    json_t *named;
    json_array_foreach(record, k, named) {
        const char *key = json_string_value(json_object_get(named, "i"));
        if (key != nullptr && std::string(key) == name) return json_object_get(named, "v");
    }
    return nullptr;
}

void add(MetricFamily &family, Labels labels, double value) {
    ClientMetric metric;
    metric.label = std::move(labels);
    if (family.type == MetricType::Counter)
        metric.counter.value = value;
    else
        metric.gauge.value = value;
    family.metric.push_back(std::move(metric));
}

// Adds the integer output `index` of `call` (no parameters), scaled.
void add_scalar(BoardReader &reader, const char *call, MetricFamily &family, double scale = 1) {
    json_t *outs = reader.run(call);
    json_t *value = value_at(outs, 0);
    if (json_is_integer(value)) add(family, {}, static_cast<double>(json_integer_value(value)) * scale);
    json_decref(outs);
}

// The count a counting call answers, 0 when it fails.
std::int64_t count_of(BoardReader &reader, const char *call, std::int64_t most) {
    json_t *outs = reader.run(call);
    json_int_t count = json_integer_value(value_at(outs, 0));
    json_decref(outs);
    return count < 0 ? 0 : count > most ? most : count;
}

void read_system(BoardReader &reader) {
    add_scalar(reader, "OmbixSystemUpTime", reader.family("ombix_up_time_seconds", "Time since the board started."));
    add_scalar(reader, "OmbixGetBootCounter",
               reader.family("ombix_boots_total", "Times the board has started.", MetricType::Counter));
    add_scalar(
        reader, "OmbixGetIntruderStatus",
        reader.family("ombix_intruder_detected", "1 when the case was opened since the intruder status was reset."));
    add_scalar(reader, "OmbixGetPerformanceState",
               reader.family("ombix_performance_state", "The performance state in force; 0 is the fastest."));
    add_scalar(reader, "OmbixGetCpuPerformance",
               reader.family("ombix_cpu_performance_ratio", "The CPU performance limit, as a share of the maximum."),
               0.01);
    add_scalar(reader, "OmbixWatchdogGetCap",
               reader.family("ombix_watchdog_max_timeout_seconds",
                             "The longest timeout the board's watchdog takes; 0 when the board has no watchdog."));
}

void read_temperatures(BoardReader &reader) {
    MetricFamily &cpu = reader.family("ombix_cpu_temperature_celsius", "Temperature of each CPU package.");
    json_t *info = reader.run("OmbixGetCpuInfo");
    json_int_t cpus = json_integer_value(field(value_at(info, 0), "cpuCount"));
    json_decref(info);
    for (json_int_t n = 0; n < cpus && n < kMostCpus; ++n) {
        json_t *outs = reader.run("OmbixGetCpuTemp", {{"cpuNr", n}});
        if (json_is_integer(value_at(outs, 0)))
            add(cpu, {{"cpu", std::to_string(n)}}, static_cast<double>(json_integer_value(value_at(outs, 0))));
        json_decref(outs);
    }
    add_scalar(reader, "OmbixGetChipsetTemp",
               reader.family("ombix_chipset_temperature_celsius", "Temperature of the chipset."));
    add_scalar(reader, "OmbixGetSystemTemp",
               reader.family("ombix_system_temperature_celsius", "Temperature of the system."));
}

// Every sensor of a list call, by its number and name.
void read_sensors(BoardReader &reader, const char *count_call, const char *list_call, const char *count_name,
                  MetricFamily &family, double scale) {
    std::int64_t count = count_of(reader, count_call, 512);
    if (count == 0) return;
    json_t *outs = reader.run(list_call, {{count_name, count}});
    json_t *sensors = value_at(outs, 0);
    std::size_t k;
    json_t *sensor;
    json_array_foreach(sensors, k, sensor) {
        json_t *value = field(sensor, "value");
        const char *name = json_string_value(field(sensor, "name"));
        if (json_is_integer(value))
            add(family, {{"sensor", std::to_string(k)}, {"name", name != nullptr ? name : ""}},
                static_cast<double>(json_integer_value(value)) * scale);
    }
    json_decref(outs);
}

void read_fans(BoardReader &reader) {
    std::int64_t count = count_of(reader, "OmbixGetFanCount", kMostFans);
    if (count == 0) return;
    json_t *list = reader.run("OmbixGetFanList", {{"fanCount", count}});
    MetricFamily &rpm = reader.family("ombix_fan_speed_rpm", "Speed of each fan, in revolutions per minute.");
    MetricFamily &pwm = reader.family("ombix_fan_pwm", "Duty cycle driving each fan, 0 to 255; 0 stops it.");
    MetricFamily &mode = reader.family(
        "ombix_fan_mode", "Mode of each fan: 0 automatic, 1 manual duty cycle, 2 manual speed, 3 thermal cruise.");
    for (std::int64_t n = 0; n < count; ++n) {
        const char *name =
            json_string_value(field(json_array_get(value_at(list, 0), static_cast<std::size_t>(n)), "name"));
        Labels labels{{"fan", std::to_string(n)}, {"name", name != nullptr ? name : ""}};
        json_t *speed = reader.run("OmbixGetFanSpeed", {{"fanNr", n}});
        if (json_is_integer(value_at(speed, 0)) && json_is_integer(value_at(speed, 1))) {
            add(pwm, labels, static_cast<double>(json_integer_value(value_at(speed, 0))));
            add(rpm, labels, static_cast<double>(json_integer_value(value_at(speed, 1))));
        }
        json_decref(speed);
        json_t *fan_mode = reader.run("OmbixGetFanMode", {{"fanNr", n}});
        if (json_is_integer(value_at(fan_mode, 0)))
            add(mode, labels, static_cast<double>(json_integer_value(value_at(fan_mode, 0))));
        json_decref(fan_mode);
    }
    json_decref(list);
}

// A record field that the board reports, -1 standing for "unreported".
bool reported(const json_t *value) {
    return json_is_integer(value) && json_integer_value(value) >= 0;
}

void read_batteries(BoardReader &reader) {
    std::int64_t count = count_of(reader, "OmbixGetBatteryCount", kMostBatteries);
    MetricFamily &voltage = reader.family("ombix_battery_voltage_volts", "Present voltage of each battery.");
    MetricFamily &remaining = reader.family("ombix_battery_remaining_capacity_joules", "Energy left in each battery.");
    MetricFamily &full =
        reader.family("ombix_battery_full_capacity_joules", "Energy each battery holds when fully charged.");
    MetricFamily &ratio =
        reader.family("ombix_battery_charge_ratio", "Energy left in each battery, as a share of its full charge.");
    MetricFamily &time_left =
        reader.family("ombix_battery_remaining_time_seconds", "Time each battery lasts at the present rate.");
    MetricFamily &charge =
        reader.family("ombix_battery_charge_state",
                      "Charge state of each battery: 0 unknown, 1 charging, 2 discharging, 3 not charging, 4 full.");
    for (std::int64_t n = 0; n < count; ++n) {
        json_t *info = reader.run("OmbixGetBatteryInfo", {{"slotNr", n}});
        json_t *state = reader.run("OmbixGetBatteryState", {{"slotNr", n}});
        const char *name = json_string_value(field(value_at(info, 0), "deviceName"));
        Labels labels{{"battery", std::to_string(n)}, {"name", name != nullptr ? name : ""}};
        json_t *record = value_at(state, 0);
        json_t *designed = field(value_at(info, 0), "fullyChargedCapacity");
        json_t *left = field(record, "remainingCapacity");
        if (reported(field(record, "currentVoltage")))
            add(voltage, labels, static_cast<double>(json_integer_value(field(record, "currentVoltage"))) * kMilli);
        if (reported(left))
            add(remaining, labels, static_cast<double>(json_integer_value(left)) * kJoulesPerMilliwattHour);
        if (reported(designed) && json_integer_value(designed) > 0) {
            add(full, labels, static_cast<double>(json_integer_value(designed)) * kJoulesPerMilliwattHour);
            if (reported(left))
                add(ratio, labels,
                    static_cast<double>(json_integer_value(left)) / static_cast<double>(json_integer_value(designed)));
        }
        if (reported(field(record, "remainingTime")))
            add(time_left, labels, static_cast<double>(json_integer_value(field(record, "remainingTime"))) * 60);
        if (json_is_integer(field(record, "chargeState")))
            add(charge, labels, static_cast<double>(json_integer_value(field(record, "chargeState"))));
        json_decref(info);
        json_decref(state);
    }
}

void read_gpio(BoardReader &reader) {
    std::int64_t count = count_of(reader, "OmbixGpioGetCount", kMostGpioLines);
    MetricFamily &level = reader.family("ombix_gpio_level", "Level of each GPIO line, 0 or 1.");
    for (std::int64_t n = 0; n < count; ++n) {
        json_t *outs = reader.run("OmbixGpioGetLevel", {{"gpioNr", n}});
        if (json_is_integer(value_at(outs, 0)))
            add(level, {{"line", std::to_string(n)}}, static_cast<double>(json_integer_value(value_at(outs, 0))));
        json_decref(outs);
    }
}

}  // namespace

std::vector<MetricFamily> board_families(std::chrono::steady_clock::time_point deadline) {
    BoardReader reader(deadline);
    read_system(reader);
    read_temperatures(reader);
    read_sensors(reader, "OmbixGetTempSensorCount", "OmbixGetTempSensorList", "tempSensorCount",
                 reader.family("ombix_temperature_celsius", "Reading of each temperature sensor."), 1);
    read_sensors(reader, "OmbixGetVoltageSensorCount", "OmbixGetVoltageSensorList", "voltageSensorCount",
                 reader.family("ombix_voltage_volts", "Reading of each voltage sensor."), kMilli);
    read_fans(reader);
    read_batteries(reader);
    read_gpio(reader);
    return reader.take();
}

}  // namespace ombixd
