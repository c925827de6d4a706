// Reading the board file with jansson, strictly: an unknown member or a value
// of the wrong type is refused, so that a typing error never passes silently.
#include "board_file.h"

#include <jansson.h>

#include <cstring>

namespace ombix::linux_board {
namespace {

class Reader {
public:
    explicit Reader(std::string &error) : error_(error) {}

    bool fail(const std::string &where, const std::string &what) {
        if (error_.empty()) error_ = where + ": " + what;
        return false;
    }

    bool text(json_t *value, const std::string &where, std::string &out) {
        if (!json_is_string(value)) return fail(where, "expected a string");
        out = json_string_value(value);
        return true;
    }

    bool texts(json_t *value, const std::string &where, std::vector<std::string> &out) {
        if (!json_is_array(value)) return fail(where, "expected an array of strings");
        std::size_t i;
        json_t *item;
        json_array_foreach(value, i, item) {
            std::string one;
            if (!text(item, where + "[" + std::to_string(i) + "]", one)) return false;
            out.push_back(one);
        }
        return true;
    }

    bool names(json_t *value, const std::string &where, std::map<std::string, std::string> &out) {
        if (!json_is_object(value)) return fail(where, "expected an object of names");
        const char *key;
        json_t *item;
        json_object_foreach(value, key, item) {
            std::string one;
            if (!text(item, where + "." + key, one)) return false;
            if (one.empty() || one.size() > 127) return fail(where + "." + key, "a name of 1 to 127 characters");
            out[key] = one;
        }
        return true;
    }

    bool integer(json_t *value, const std::string &where, std::int64_t &out) {
        if (!json_is_integer(value)) return fail(where, "expected an integer");
        out = json_integer_value(value);
        return true;
    }

    // An object whose members are all in `allowed`.
    bool members(json_t *value, const std::string &where, std::initializer_list<const char *> allowed) {
        if (!json_is_object(value)) return fail(where, "expected an object");
        const char *key;
        json_t *item;
        json_object_foreach(value, key, item) {
            bool known = false;
            for (const char *a : allowed) known = known || std::strcmp(a, key) == 0;
            if (!known) return fail(where, std::string("unknown member \"") + key + "\"");
        }
        return true;
    }

private:
    std::string &error_;
};

bool read_temperatures(Reader &r, json_t *value, BoardFile &board) {
    if (!r.members(value, "temperatures", {"cpu", "chipset", "system"})) return false;
    if (json_t *cpu = json_object_get(value, "cpu")) {
        board.cpu_temps.emplace();
        if (!r.texts(cpu, "temperatures.cpu", *board.cpu_temps)) return false;
    }
    std::string one;
    if (json_t *chipset = json_object_get(value, "chipset")) {
        if (!r.text(chipset, "temperatures.chipset", one)) return false;
        board.chipset_temp = one;
    }
    if (json_t *system = json_object_get(value, "system")) {
        if (!r.text(system, "temperatures.system", one)) return false;
        board.system_temp = one;
    }
    return true;
}

bool read_fans(Reader &r, json_t *value, BoardFile &board) {
    if (!r.members(value, "fans", {"cpu", "system", "modes"})) return false;
    std::string one;
    if (json_t *cpu = json_object_get(value, "cpu")) {
        if (!r.text(cpu, "fans.cpu", one)) return false;
        board.cpu_fan = one;
    }
    if (json_t *system = json_object_get(value, "system")) {
        if (!r.text(system, "fans.system", one)) return false;
        board.system_fan = one;
    }
    if (json_t *modes = json_object_get(value, "modes")) {
        if (!json_is_object(modes)) return r.fail("fans.modes", "expected an object");
        const char *fan;
        json_t *values;
        json_object_foreach(modes, fan, values) {
            std::string where = std::string("fans.modes.") + fan;
            if (!r.members(values, where, {"manual", "rpm", "thermalCruise"})) return false;
            FanModeValues &m = board.fan_modes[fan];
            std::int64_t number = 0;
            if (json_t *v = json_object_get(values, "manual")) {
                if (!r.integer(v, where + ".manual", number)) return false;
                m.manual = number;
            }
            if (json_t *v = json_object_get(values, "rpm")) {
                if (!r.integer(v, where + ".rpm", number)) return false;
                m.rpm = number;
            }
            if (json_t *v = json_object_get(values, "thermalCruise")) {
                if (!r.integer(v, where + ".thermalCruise", number)) return false;
                m.thermal_cruise = number;
            }
        }
    }
    return true;
}

bool read_gpio(Reader &r, json_t *value, BoardFile &board) {
    if (!r.members(value, "gpio", {"chips", "lines"})) return false;
    if (json_t *chips = json_object_get(value, "chips")) {
        board.gpio_chips.emplace();
        if (!r.texts(chips, "gpio.chips", *board.gpio_chips)) return false;
    }
    if (json_t *lines = json_object_get(value, "lines")) {
        if (!json_is_array(lines)) return r.fail("gpio.lines", "expected an array");
        board.gpio_lines.emplace();
        std::size_t i;
        json_t *item;
        json_array_foreach(lines, i, item) {
            std::string where = "gpio.lines[" + std::to_string(i) + "]";
            if (!r.members(item, where, {"chip", "line", "inputOnly"})) return false;
            GpioLineChoice choice;
            std::int64_t line = -1;
            json_t *chip = json_object_get(item, "chip");
            json_t *offset = json_object_get(item, "line");
            if (chip == nullptr || offset == nullptr) return r.fail(where, "needs \"chip\" and \"line\"");
            if (!r.text(chip, where + ".chip", choice.chip) || !r.integer(offset, where + ".line", line)) return false;
            if (line < 0 || line > 0xFFFF) return r.fail(where + ".line", "a line offset from 0 to 65535");
            choice.line = static_cast<std::uint32_t>(line);
            if (json_t *input_only = json_object_get(item, "inputOnly")) {
                if (!json_is_boolean(input_only)) return r.fail(where + ".inputOnly", "expected true or false");
                choice.input_only = json_is_true(input_only);
            }
            board.gpio_lines->push_back(choice);
        }
    }
    return true;
}

bool read_storage(Reader &r, json_t *value, BoardFile &board) {
    if (!r.members(value, "storage", {"nvmem", "files"})) return false;
    if (json_t *nvmem = json_object_get(value, "nvmem")) {
        if (!json_is_boolean(nvmem)) return r.fail("storage.nvmem", "expected true or false");
        board.storage_nvmem = json_is_true(nvmem);
    }
    if (json_t *files = json_object_get(value, "files")) {
        if (!json_is_array(files)) return r.fail("storage.files", "expected an array");
        std::size_t i;
        json_t *item;
        json_array_foreach(files, i, item) {
            std::string where = "storage.files[" + std::to_string(i) + "]";
            if (!r.members(item, where, {"path", "size"})) return false;
            json_t *path = json_object_get(item, "path");
            json_t *size = json_object_get(item, "size");
            if (path == nullptr || size == nullptr) return r.fail(where, "needs \"path\" and \"size\"");
            StorageFile file;
            std::int64_t bytes = 0;
            if (!r.text(path, where + ".path", file.path) || !r.integer(size, where + ".size", bytes)) return false;
            if (file.path.empty() || file.path[0] != '/') return r.fail(where + ".path", "an absolute path");
            // The size travels as a signed 32-bit value.
            if (bytes < 1 || bytes > INT32_MAX) return r.fail(where + ".size", "a size from 1 to 2147483647 bytes");
            file.size = static_cast<std::int32_t>(bytes);
            board.storage_files.push_back(file);
        }
    }
    return true;
}

bool read_i2c(Reader &r, json_t *value, BoardFile &board) {
    if (!r.members(value, "i2c", {"force"})) return false;
    json_t *force = json_object_get(value, "force");
    if (force == nullptr) return true;
    if (!json_is_object(force)) return r.fail("i2c.force", "expected an object of adapter names");
    const char *adapter;
    json_t *addresses;
    json_object_foreach(force, adapter, addresses) {
        std::string where = std::string("i2c.force.") + adapter;
        if (!json_is_array(addresses)) return r.fail(where, "expected an array of addresses");
        std::size_t i;
        json_t *item;
        json_array_foreach(addresses, i, item) {
            std::int64_t address = -1;
            if (!r.integer(item, where, address)) return false;
            if (address < 0 || address > 0x7F) return r.fail(where, "a 7-bit address from 0 to 127");
            board.i2c_force[adapter].insert(static_cast<std::uint8_t>(address));
        }
    }
    return true;
}

bool read_disks(Reader &r, json_t *value, BoardFile &board) {
    if (!r.members(value, "disks", {"virtual"})) return false;
    if (json_t *v = json_object_get(value, "virtual")) {
        if (!json_is_boolean(v)) return r.fail("disks.virtual", "expected true or false");
        board.virtual_disks = json_is_true(v);
    }
    return true;
}

bool read_spi_settings(Reader &r, json_t *value, const std::string &where, SpiSettings &out) {
    std::int64_t number = 0;
    if (json_t *v = json_object_get(value, "mode")) {
        if (!r.integer(v, where + ".mode", number)) return false;
        if (number < 0 || number > 0xFF) return r.fail(where + ".mode", "a mode from 0 to 255");
        out.mode = static_cast<std::uint8_t>(number);
    }
    if (json_t *v = json_object_get(value, "speedHz")) {
        if (!r.integer(v, where + ".speedHz", number)) return false;
        if (number < 1 || number > 0xFFFFFFFF) return r.fail(where + ".speedHz", "a speed from 1 Hz to 4294967295 Hz");
        out.speed_hz = static_cast<std::uint32_t>(number);
    }
    if (json_t *v = json_object_get(value, "bitsPerWord")) {
        if (!r.integer(v, where + ".bitsPerWord", number)) return false;
        if (number < 1 || number > 32) return r.fail(where + ".bitsPerWord", "from 1 to 32 bits per word");
        out.bits_per_word = static_cast<std::uint8_t>(number);
    }
    return true;
}

bool read_spi(Reader &r, json_t *value, BoardFile &board) {
    if (!r.members(value, "spi", {"mode", "speedHz", "bitsPerWord", "devices"})) return false;
    if (!read_spi_settings(r, value, "spi", board.spi_settings)) return false;
    json_t *devices = json_object_get(value, "devices");
    if (devices == nullptr) return true;
    if (!json_is_array(devices)) return r.fail("spi.devices", "expected an array");
    std::size_t i;
    json_t *item;
    json_array_foreach(devices, i, item) {
        std::string where = "spi.devices[" + std::to_string(i) + "]";
        if (!r.members(item, where, {"spiNr", "deviceId", "device", "mode", "speedHz", "bitsPerWord"})) return false;
        SpiDeviceChoice choice;
        std::int64_t bus = -1, id = -1;
        json_t *bus_value = json_object_get(item, "spiNr");
        json_t *id_value = json_object_get(item, "deviceId");
        if (bus_value == nullptr || id_value == nullptr) return r.fail(where, "needs \"spiNr\" and \"deviceId\"");
        if (!r.integer(bus_value, where + ".spiNr", bus) || !r.integer(id_value, where + ".deviceId", id)) return false;
        if (bus < 0 || bus > 0xFF) return r.fail(where + ".spiNr", "a bus number from 0 to 255");
        if (id < 0 || id > 0xFFFF) return r.fail(where + ".deviceId", "a device number from 0 to 65535");
        choice.spi_nr = static_cast<std::uint8_t>(bus);
        choice.device_id = static_cast<std::uint16_t>(id);
        if (json_t *device = json_object_get(item, "device")) {
            if (!r.text(device, where + ".device", choice.device)) return false;
            if (choice.device.rfind("spidev", 0) != 0 || choice.device.find('/') != std::string::npos)
                return r.fail(where + ".device", "a spidev device name (\"spidev1.0\")");
        }
        if (!read_spi_settings(r, item, where, choice.settings)) return false;
        board.spi_devices.push_back(choice);
    }
    return true;
}

}  // namespace

bool read_board_file(const std::string &path, BoardFile &board, std::string &error) {
    error.clear();
    Reader r(error);
    json_error_t parse_error;
    json_t *root = json_load_file(path.c_str(), JSON_REJECT_DUPLICATES, &parse_error);
    if (root == nullptr) return r.fail(path, parse_error.text);
    BoardFile result;
    bool ok = r.members(root, "board file",
                        {"temperatures", "sensorNames", "fans", "fanNames", "gpio", "watchdog", "systemStates", "i2c",
                         "spi", "storage", "disks"});
    if (ok) {
        if (json_t *v = json_object_get(root, "temperatures")) ok = ok && read_temperatures(r, v, result);
        if (json_t *v = json_object_get(root, "sensorNames")) ok = ok && r.names(v, "sensorNames", result.sensor_names);
        if (json_t *v = json_object_get(root, "fans")) ok = ok && read_fans(r, v, result);
        if (json_t *v = json_object_get(root, "fanNames")) ok = ok && r.names(v, "fanNames", result.fan_names);
        if (json_t *v = json_object_get(root, "gpio")) ok = ok && read_gpio(r, v, result);
        if (json_t *v = json_object_get(root, "i2c")) ok = ok && read_i2c(r, v, result);
        if (json_t *v = json_object_get(root, "spi")) ok = ok && read_spi(r, v, result);
        if (json_t *v = json_object_get(root, "storage")) ok = ok && read_storage(r, v, result);
        if (json_t *v = json_object_get(root, "disks")) ok = ok && read_disks(r, v, result);
        if (json_t *v = json_object_get(root, "watchdog")) {
            std::string one;
            ok = ok && r.text(v, "watchdog", one);
            result.watchdog = one;
        }
        if (json_t *v = json_object_get(root, "systemStates")) {
            std::vector<std::string> states;
            ok = ok && r.texts(v, "systemStates", states);
            for (const std::string &s : states) {
                if (s != "poweroff" && s != "reboot" && s != "suspend") {
                    ok = r.fail("systemStates", "\"" + s + "\" is not poweroff, reboot or suspend");
                    break;
                }
                result.system_states.insert(s);
            }
        }
    }
    json_decref(root);
    if (ok) board = std::move(result);
    return ok;
}

}  // namespace ombix::linux_board
