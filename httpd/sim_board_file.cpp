#include "sim_board_file.h"

#include <jansson.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "sim_control.h"

namespace ombixd {
namespace {

using ombix::sim::Board;

// Reads members into a copy of the board; the first fault stops it.
class Reader {
public:
    explicit Reader(std::string &error) : error_(error) {}

    bool fail(const std::string &where, const char *what) {
        error_ = where + ": " + what;
        return false;
    }

    template <typename T>
    bool integer(const json_t *value, const std::string &where, T &out) {
        if (!json_is_integer(value)) return fail(where, "not an integer");
        json_int_t v = json_integer_value(value);
        if (v < static_cast<json_int_t>(std::numeric_limits<T>::min()) ||
            v > static_cast<json_int_t>(std::numeric_limits<T>::max()))
            return fail(where, "out of range");
        out = static_cast<T>(v);
        return true;
    }

    bool text(const json_t *value, const std::string &where, std::string &out, std::size_t most) {
        if (!json_is_string(value)) return fail(where, "not a text");
        out = json_string_value(value);
        if (out.size() >= most) return fail(where, "too long");
        return true;
    }

    // Calls `member(key, value)` for each member of an object.
    template <typename F>
    bool members(const json_t *object, const std::string &where, F member) {
        if (!json_is_object(object)) return fail(where, "not an object");
        const char *key;
        json_t *value;
        json_object_foreach(const_cast<json_t *>(object), key, value) {
            if (!member(std::string(key), value)) return false;
        }
        return true;
    }

    template <typename T, typename F>
    bool list(const json_t *array, const std::string &where, std::vector<T> &out, F element) {
        if (!json_is_array(array)) return fail(where, "not an array");
        if (json_array_size(array) > 64) return fail(where, "more than 64 elements");
        std::vector<T> read(json_array_size(array));
        for (std::size_t k = 0; k < read.size(); ++k)
            if (!element(json_array_get(array, k), where + "[" + std::to_string(k) + "]", read[k])) return false;
        out = std::move(read);
        return true;
    }

    bool unknown(const std::string &where) { return fail(where, "unknown member"); }

private:
    std::string &error_;
};

bool read_sensor(Reader &r, const json_t *value, const std::string &where, ombix::sim::Sensor &sensor) {
    return r.members(value, where, [&](const std::string &key, const json_t *v) {
        if (key == "name") return r.text(v, where + ".name", sensor.name, OMBIX_TEXT_SIZE);
        if (key == "value") return r.integer(v, where + ".value", sensor.value);
        return r.unknown(where + "." + key);
    });
}

bool read_fan(Reader &r, const json_t *value, const std::string &where, ombix::sim::Fan &fan) {
    return r.members(value, where, [&](const std::string &key, const json_t *v) {
        if (key == "name") return r.text(v, where + ".name", fan.name, OMBIX_TEXT_SIZE);
        if (key == "mode") return r.integer(v, where + ".mode", fan.mode);
        if (key == "pwm") return r.integer(v, where + ".pwm", fan.pwm);
        if (key == "rpm") return r.integer(v, where + ".rpm", fan.rpm);
        return r.unknown(where + "." + key);
    });
}

struct Battery {
    BATTERY_INFO info{};
    BATTERY_STATE state{};
};

bool read_battery(Reader &r, const json_t *value, const std::string &where, Battery &battery) {
    battery.state.remainingTime = -1;
    battery.state.fullBatteryRemainingTime = -1;
    return r.members(value, where, [&](const std::string &key, const json_t *v) {
        const std::string at = where + "." + key;
        if (key == "deviceName") {
            std::string name;
            if (!r.text(v, at, name, OMBIX_TEXT_SIZE)) return false;
            std::memcpy(battery.info.deviceName, name.c_str(), name.size() + 1);
            return true;
        }
        if (key == "fullyChargedCapacity") return r.integer(v, at, battery.info.fullyChargedCapacity);
        if (key == "designedCapacity") return r.integer(v, at, battery.info.designedCapacity);
        if (key == "remainingCapacity") return r.integer(v, at, battery.state.remainingCapacity);
        if (key == "currentVoltage") return r.integer(v, at, battery.state.currentVoltage);
        if (key == "remainingTime") return r.integer(v, at, battery.state.remainingTime);
        if (key == "chargeState") return r.integer(v, at, battery.state.chargeState);
        if (key == "powerState") return r.integer(v, at, battery.state.powerState);
        if (key == "rate") return r.integer(v, at, battery.state.rate);
        return r.unknown(at);
    });
}

bool read_board(Reader &r, const json_t *root, Board &board) {
    return r.members(root, "the board", [&](const std::string &key, const json_t *v) {
        if (key == "bootCount") return r.integer(v, key, board.bootCount);
        if (key == "upTimeSeconds") return r.integer(v, key, board.upTimeSeconds);
        if (key == "intruderStatus") return r.integer(v, key, board.intruderStatus);
        if (key == "chipsetTemp") return r.integer(v, key, board.chipsetTemp);
        if (key == "systemTemp") return r.integer(v, key, board.systemTemp);
        if (key == "performanceState") return r.integer(v, key, board.performanceState);
        if (key == "watchdogMaxTimeout") return r.integer(v, key, board.watchdogMaxTimeout);
        if (key == "cpuTemps")
            return r.list(v, key, board.cpuTemps,
                          [&](const json_t *e, const std::string &at, std::int32_t &t) { return r.integer(e, at, t); });
        if (key == "tempSensors")
            return r.list(v, key, board.tempSensors,
                          [&](const json_t *e, const std::string &at, auto &s) { return read_sensor(r, e, at, s); });
        if (key == "voltageSensors")
            return r.list(v, key, board.voltageSensors,
                          [&](const json_t *e, const std::string &at, auto &s) { return read_sensor(r, e, at, s); });
        if (key == "fans")
            return r.list(v, key, board.fans,
                          [&](const json_t *e, const std::string &at, auto &f) { return read_fan(r, e, at, f); });
        if (key == "batteries") {
            std::vector<Battery> batteries;
            if (!r.list(v, key, batteries,
                        [&](const json_t *e, const std::string &at, Battery &b) { return read_battery(r, e, at, b); }))
                return false;
            board.batteryCount = static_cast<std::int8_t>(batteries.size());
            board.records.batteries.clear();
            board.records.batteryStates.clear();
            for (const Battery &b : batteries) {
                board.records.batteries.push_back(b.info);
                board.records.batteryStates.push_back(b.state);
            }
            return true;
        }
        return r.unknown(key);
    });
}

}  // namespace

bool apply_sim_board_file(const std::string &path, std::string &error) {
    json_error_t parse_error{};
    json_t *root = json_load_file(path.c_str(), JSON_REJECT_DUPLICATES, &parse_error);
    if (root == nullptr) {
        error = "the board file " + path + " is not usable: " + parse_error.text;
        return false;
    }
    Board board = ombix::sim::board();
    Reader reader(error);
    bool read = read_board(reader, root, board);
    json_decref(root);
    if (!read) {
        error = "the board file " + path + ": " + error;
        return false;
    }
    ombix::sim::board() = std::move(board);
    return true;
}

}  // namespace ombixd
