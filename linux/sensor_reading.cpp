#include "sensor_reading.h"

#include <cerrno>

#include "call.h"

namespace ombix::linux_board {
namespace {

std::int32_t read_raw(const Sensor &sensor, std::int64_t &raw) {
    if (sensor.channel.read_by_libsensors) {
        long long value = 0;
        if (int error = read_through_libsensors(sensor.channel, value)) return os_error(error);
        raw = value;
        return OMBIX_RC_OK;
    }
    if (!sensor.input.present()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
    if (int error = sensor.input.read(raw)) return os_error(error);
    return OMBIX_RC_OK;
}

}  // namespace

std::int32_t read_temperature(const Sensor &sensor, std::int32_t &celsius) {
    std::int64_t millidegrees = 0;
    if (std::int32_t code = read_raw(sensor, millidegrees)) return code;
    std::int64_t rounded = millidegrees >= 0 ? (millidegrees + 500) / 1000 : -((-millidegrees + 500) / 1000);
    celsius = static_cast<std::int32_t>(rounded);  // |millidegrees| < 10^18: always fits
    return OMBIX_RC_OK;
}

std::int32_t read_voltage(const Sensor &sensor, std::int32_t &millivolts) {
    std::int64_t raw = 0;
    if (std::int32_t code = read_raw(sensor, raw)) return code;
    if (raw < INT32_MIN || raw > INT32_MAX) return OMBIX_LINUX_RC_OUT_OF_RANGE;
    millivolts = static_cast<std::int32_t>(raw);
    return OMBIX_RC_OK;
}

}  // namespace ombix::linux_board
