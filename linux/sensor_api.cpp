// Temperature and voltage sensors: every hwmon temperature and voltage
// channel, numbered in stable order.
#include "call.h"
#include "sensor_reading.h"

using namespace ombix::linux_board;

namespace {

using Reader = std::int32_t (*)(const Sensor &, std::int32_t &);

std::int32_t sensor_count(const std::vector<Sensor> Board::*sensors, int32_t *count) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (count == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *count = static_cast<int32_t>((board.*sensors).size());
        return OMBIX_RC_OK;
    });
}

std::int32_t sensor_value(const std::vector<Sensor> Board::*sensors, Reader reader, int32_t number, int32_t *value) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (value == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (!valid_index(number, (board.*sensors).size())) return OMBIX_LINUX_RC_NO_DEVICE;
        return reader((board.*sensors)[static_cast<std::size_t>(number)], *value);
    });
}

// Fills up to `count` records. A sensor that cannot be read makes the whole
// call fail: a list never carries a value that was not read.
std::int32_t sensor_list(const std::vector<Sensor> Board::*sensors, Reader reader, SENSOR_VALUE *list, int32_t count) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (count < 0 || (list == nullptr && count > 0)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const std::vector<Sensor> &all = board.*sensors;
        std::size_t n = std::min(all.size(), static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < n; ++i) {
            std::int32_t reading = 0;
            if (std::int32_t code = reader(all[i], reading)) return code;
            set_text(list[i].name, all[i].name);
            list[i].value = reading;
        }
        return OMBIX_RC_OK;
    });
}

}  // namespace

extern "C" {

int32_t OmbixGetTempSensorCount(int32_t, int32_t *tempSensorCount) {
    return sensor_count(&Board::temps, tempSensorCount);
}

int32_t OmbixGetTempSensorList(int32_t, SENSOR_VALUE *tempSensors, int32_t tempSensorCount) {
    return sensor_list(&Board::temps, read_temperature, tempSensors, tempSensorCount);
}

int32_t OmbixGetTempSensorValue(int32_t, int32_t tempSensorNr, int32_t *tempSensorValue) {
    return sensor_value(&Board::temps, read_temperature, tempSensorNr, tempSensorValue);
}

int32_t OmbixGetVoltageSensorCount(int32_t, int32_t *voltageSensorCount) {
    return sensor_count(&Board::voltages, voltageSensorCount);
}

int32_t OmbixGetVoltageSensorList(int32_t, SENSOR_VALUE *voltageSensors, int32_t voltageSensorCount) {
    return sensor_list(&Board::voltages, read_voltage, voltageSensors, voltageSensorCount);
}

int32_t OmbixGetVoltageSensorValue(int32_t, int32_t voltageSensorNr, int32_t *voltageSensorValue) {
    return sensor_value(&Board::voltages, read_voltage, voltageSensorNr, voltageSensorValue);
}

// The CPU, chipset and system temperatures are sensors the board file names,
// or found by chip name (docs/linux-board.md).
int32_t OmbixGetCpuTemp(int32_t, int32_t cpuNr, int32_t *cpuTemp) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (cpuTemp == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (board.cpu_temps.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        if (!valid_index(cpuNr, board.cpu_temps.size())) return OMBIX_LINUX_RC_NO_DEVICE;
        int sensor = board.cpu_temps[static_cast<std::size_t>(cpuNr)];
        if (sensor < 0) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        return read_temperature(board.temps[static_cast<std::size_t>(sensor)], *cpuTemp);
    });
}

int32_t OmbixGetChipsetTemp(int32_t, int32_t *chipsetTemp) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (chipsetTemp == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (board.chipset_temp < 0) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        return read_temperature(board.temps[static_cast<std::size_t>(board.chipset_temp)], *chipsetTemp);
    });
}

int32_t OmbixGetSystemTemp(int32_t, int32_t *systemTemp) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (systemTemp == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (board.system_temp < 0) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        return read_temperature(board.temps[static_cast<std::size_t>(board.system_temp)], *systemTemp);
    });
}

}  // extern "C"
