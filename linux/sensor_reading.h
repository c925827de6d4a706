// One reading of a sensor in the API's units: whole degrees Celsius for
// temperatures (rounded half away from zero), millivolts for voltages.
#ifndef OMBIX_LINUX_SENSOR_READING_H
#define OMBIX_LINUX_SENSOR_READING_H

#include <cstdint>

#include "board.h"

namespace ombix::linux_board {

// OMBIX_RC_OK with the value, or a code.
std::int32_t read_temperature(const Sensor &sensor, std::int32_t &celsius);
std::int32_t read_voltage(const Sensor &sensor, std::int32_t &millivolts);

}  // namespace ombix::linux_board

#endif
