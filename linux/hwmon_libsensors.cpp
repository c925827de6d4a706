// What sensors.conf says about the hwmon chips, through libsensors: which
// features it ignores, their labels, and which values it computes.
//
// libsensors reads only the real /sys, is initialized once per process (its
// chip names must outlive every board snapshot that refers to them) and is
// not documented as safe from several threads: every use holds one lock.
// Plain readings do not go through it: a value sensors.conf does not compute
// is read from its attribute on a descriptor kept open, which costs one
// system call where sensors_get_value opens, reads and closes the file.
#include <sensors/sensors.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "hwmon_scan.h"
#include "sysfs.h"

namespace ombix::linux_board {
namespace {

std::mutex libsensors_mutex;
bool libsensors_ready = false;

bool start_libsensors() {
    static bool tried = false;
    if (!tried) {
        tried = true;
        libsensors_ready = sensors_init(nullptr) == 0;
    }
    return libsensors_ready;
}

const sensors_chip_name *chip_at(int index) {
    int nr = 0;
    const sensors_chip_name *chip = nullptr;
    for (int i = 0; (chip = sensors_get_detected_chips(nullptr, &nr)) != nullptr; ++i) {
        if (i == index) return chip;
    }
    return nullptr;
}

struct Kind {
    sensors_feature_type feature;
    sensors_subfeature_type input;
    const char *prefix;
    std::vector<HwmonChannel> HwmonChip::*channels;
    bool computed;  // sensors.conf may compute the value
};

const Kind kKinds[] = {
    {SENSORS_FEATURE_TEMP, SENSORS_SUBFEATURE_TEMP_INPUT, "temp", &HwmonChip::temps, true},
    {SENSORS_FEATURE_IN, SENSORS_SUBFEATURE_IN_INPUT, "in", &HwmonChip::voltages, true},
    {SENSORS_FEATURE_FAN, SENSORS_SUBFEATURE_FAN_INPUT, "fan", &HwmonChip::fans, false},
};

void refine(HwmonChip &chip, const sensors_chip_name *name, int chip_index) {
    for (const Kind &kind : kKinds) {
        std::vector<HwmonChannel> kept;
        int nr = 0;
        while (const sensors_feature *feature = sensors_get_features(name, &nr)) {
            if (feature->type != kind.feature) continue;
            for (HwmonChannel &c : chip.*kind.channels) {
                if (std::string(kind.prefix) + std::to_string(c.number) != feature->name) continue;
                if (char *label = sensors_get_label(name, feature)) {
                    c.label = label;
                    std::free(label);
                }
                const sensors_subfeature *input = sensors_get_subfeature(name, feature, kind.input);
                if (kind.computed && input != nullptr && !c.input.empty()) {
                    // A value sensors.conf computes differs from the raw one
                    // (a raw 0 shows nothing: read those through libsensors too).
                    double computed = 0;
                    auto raw = read_integer(c.input);
                    if (sensors_get_value(name, input->number, &computed) == 0 &&
                        (!raw || *raw == 0 || std::fabs(computed * 1000.0 - static_cast<double>(*raw)) > 0.5)) {
                        c.read_by_libsensors = true;
                        c.libsensors_chip = chip_index;
                        c.libsensors_subfeature = input->number;
                    }
                }
                kept.push_back(c);
            }
        }
        chip.*kind.channels = std::move(kept);
    }
}

}  // namespace

void apply_libsensors(std::vector<HwmonChip> &chips) {
    std::lock_guard<std::mutex> lock(libsensors_mutex);
    if (!start_libsensors()) return;
    int nr = 0;
    const sensors_chip_name *name = nullptr;
    for (int index = 0; (name = sensors_get_detected_chips(nullptr, &nr)) != nullptr; ++index) {
        if (name->path == nullptr) continue;
        std::string path = resolved(name->path);
        for (HwmonChip &chip : chips) {
            if (resolved(chip.folder) == path || resolved(chip.folder + "/device") == path) refine(chip, name, index);
        }
    }
}

int read_through_libsensors(const HwmonChannel &channel, long long &value) {
    std::lock_guard<std::mutex> lock(libsensors_mutex);
    if (!libsensors_ready) return ENODEV;
    const sensors_chip_name *name = chip_at(channel.libsensors_chip);
    if (name == nullptr) return ENODEV;
    double reading = 0;
    if (sensors_get_value(name, channel.libsensors_subfeature, &reading) != 0) return EIO;
    value = std::llround(reading * 1000.0);
    return 0;
}

}  // namespace ombix::linux_board
