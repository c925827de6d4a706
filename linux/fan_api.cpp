// Fans: every hwmon fan channel (fanN_input) in stable order, with pwmN of
// the same channel as its control. Modes: 0 automatic (the chip decides, or
// full speed), 1 manual pwm, 2 manual target rpm, 3 thermal cruise; the
// pwmN_enable value of each is the chip's (docs/linux-board.md).
#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

enum FanMode : uint8_t { kAutomatic = 0, kManualPwm = 1, kManualRpm = 2, kThermalCruise = 3 };

const Fan *fan_at(const Board &board, std::int64_t number) {
    return valid_index(number, board.fans.size()) ? &board.fans[static_cast<std::size_t>(number)] : nullptr;
}

std::int32_t write_value(const std::string &path, std::int64_t value) {
    if (int error = write_text(path, std::to_string(value))) return os_error(error);
    return OMBIX_RC_OK;
}

std::int32_t read_rpm(const Fan &fan, int32_t &rpm) {
    std::int64_t value = 0;
    if (int error = fan.rpm.read(value)) return os_error(error);
    if (value < 0 || value > INT32_MAX) return OMBIX_LINUX_RC_OUT_OF_RANGE;
    rpm = static_cast<int32_t>(value);
    return OMBIX_RC_OK;
}

// The fan's pwm, 0 to 255; 0 for a fan the chip does not drive.
std::int32_t read_pwm(const Fan &fan, uint8_t &pwm) {
    pwm = 0;
    if (fan.pwm.empty()) return OMBIX_RC_OK;
    std::int64_t value = 0;
    if (int error = fan.pwm_value.read(value)) return os_error(error);
    if (value < 0 || value > 255) return OMBIX_LINUX_RC_OUT_OF_RANGE;
    pwm = static_cast<uint8_t>(value);
    return OMBIX_RC_OK;
}

std::int32_t read_mode(const Fan &fan, uint8_t &mode) {
    mode = kAutomatic;
    if (fan.enable.empty()) return OMBIX_RC_OK;
    std::int64_t value = 0;
    if (int error = fan.enable_value.read(value)) return os_error(error);
    if (fan.modes.manual && value == *fan.modes.manual) mode = kManualPwm;
    if (fan.modes.rpm && value == *fan.modes.rpm) mode = kManualRpm;
    if (fan.modes.thermal_cruise && value == *fan.modes.thermal_cruise && !fan.target_temp.empty())
        mode = kThermalCruise;
    return OMBIX_RC_OK;
}

std::int32_t set_manual_pwm(const Fan &fan, uint8_t pwm) {
    if (fan.pwm.empty() || !fan.modes.manual) return OMBIX_LINUX_RC_NOT_SUPPORTED;
    // Most chips take a pwm value only once in manual mode.
    if (!fan.enable.empty()) {
        if (std::int32_t code = write_value(fan.enable, *fan.modes.manual)) return code;
    }
    return write_value(fan.pwm, pwm);
}

std::int32_t set_manual_rpm(const Fan &fan, uint32_t rpm) {
    if (fan.target.empty() || fan.enable.empty() || !fan.modes.rpm) return OMBIX_LINUX_RC_NOT_SUPPORTED;
    if (rpm > INT32_MAX) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    if (std::int32_t code = write_value(fan.target, rpm)) return code;
    return write_value(fan.enable, *fan.modes.rpm);
}

std::int32_t role_fan(const Board &board, int index, const Fan *&fan) {
    if (index < 0 || static_cast<std::size_t>(index) >= board.fans.size()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
    fan = &board.fans[static_cast<std::size_t>(index)];
    return OMBIX_RC_OK;
}

}  // namespace

extern "C" {

int32_t OmbixGetFanCount(int32_t, int32_t *fanCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (fanCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *fanCount = static_cast<int32_t>(board.fans.size());
        return OMBIX_RC_OK;
    });
}

// powerMode: 1 while the fan turns; method: its mode.
int32_t OmbixGetFanList(int32_t, FAN_INFO *fans, int32_t fanCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (fanCount < 0 || (fans == nullptr && fanCount > 0)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::size_t n = std::min(board.fans.size(), static_cast<std::size_t>(fanCount));
        for (std::size_t i = 0; i < n; ++i) {
            const Fan &fan = board.fans[i];
            int32_t rpm = 0;
            uint8_t pwm = 0, mode = 0;
            if (std::int32_t code = read_rpm(fan, rpm)) return code;
            if (std::int32_t code = read_pwm(fan, pwm)) return code;
            if (std::int32_t code = read_mode(fan, mode)) return code;
            set_text(fans[i].name, fan.name);
            fans[i].rpm = static_cast<uint32_t>(rpm);
            fans[i].pwm = pwm;
            fans[i].powerMode = rpm > 0 ? 1 : 0;
            fans[i].method = mode;
        }
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetFanSpeed(int32_t, int32_t fanNr, uint8_t *pwm, int32_t *rpm) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (pwm == nullptr || rpm == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const Fan *fan = fan_at(board, fanNr);
        if (fan == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        if (std::int32_t code = read_rpm(*fan, *rpm)) return code;
        return read_pwm(*fan, *pwm);
    });
}

int32_t OmbixGetFanMode(int32_t, int32_t fanNr, uint8_t *fanMode) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (fanMode == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const Fan *fan = fan_at(board, fanNr);
        if (fan == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        return read_mode(*fan, *fanMode);
    });
}

int32_t OmbixSetFanModeManual(int32_t, int32_t fanNr, uint8_t targetPwm) {
    return run_call([&](const Board &board) -> std::int32_t {
        const Fan *fan = fan_at(board, fanNr);
        if (fan == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        return set_manual_pwm(*fan, targetPwm);
    });
}

int32_t OmbixSetFanModeManualRpm(int32_t, int32_t fanNr, uint32_t targetRpm) {
    return run_call([&](const Board &board) -> std::int32_t {
        const Fan *fan = fan_at(board, fanNr);
        if (fan == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        return set_manual_rpm(*fan, targetRpm);
    });
}

// Temperatures in whole degrees Celsius.
int32_t OmbixSetFanModeThermalCruise(int32_t, uint32_t fanNr, uint32_t targetTemp, uint32_t toleranceTemp) {
    return run_call([&](const Board &board) -> std::int32_t {
        const Fan *fan = fan_at(board, fanNr);
        if (fan == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        if (fan->target_temp.empty() || fan->enable.empty() || !fan->modes.thermal_cruise) {
            return OMBIX_LINUX_RC_NOT_SUPPORTED;
        }
        if (targetTemp > 255 || toleranceTemp > 255 || (toleranceTemp != 0 && fan->tolerance.empty())) {
            return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        }
        if (std::int32_t code = write_value(fan->target_temp, std::int64_t{targetTemp} * 1000)) return code;
        if (!fan->tolerance.empty()) {
            if (std::int32_t code = write_value(fan->tolerance, std::int64_t{toleranceTemp} * 1000)) return code;
        }
        return write_value(fan->enable, *fan->modes.thermal_cruise);
    });
}

int32_t OmbixGetCpuFanSpeed(int32_t, int32_t *cpuFanRpm) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (cpuFanRpm == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const Fan *fan = nullptr;
        if (std::int32_t code = role_fan(board, board.cpu_fan, fan)) return code;
        return read_rpm(*fan, *cpuFanRpm);
    });
}

int32_t OmbixSetCpuFanSpeed(int32_t, uint8_t cpuFanSpeedPwm) {
    return run_call([&](const Board &board) -> std::int32_t {
        const Fan *fan = nullptr;
        if (std::int32_t code = role_fan(board, board.cpu_fan, fan)) return code;
        return set_manual_pwm(*fan, cpuFanSpeedPwm);
    });
}

int32_t OmbixSetCpuFanSpeedRpm(int32_t, uint32_t cpuFanSpeedRpm) {
    return run_call([&](const Board &board) -> std::int32_t {
        const Fan *fan = nullptr;
        if (std::int32_t code = role_fan(board, board.cpu_fan, fan)) return code;
        return set_manual_rpm(*fan, cpuFanSpeedRpm);
    });
}

int32_t OmbixGetSystemFanSpeed(int32_t, int32_t *systemFanRpm) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (systemFanRpm == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const Fan *fan = nullptr;
        if (std::int32_t code = role_fan(board, board.system_fan, fan)) return code;
        return read_rpm(*fan, *systemFanRpm);
    });
}

int32_t OmbixSetSystemFanSpeed(int32_t, uint8_t systemFanSpeedPwm) {
    return run_call([&](const Board &board) -> std::int32_t {
        const Fan *fan = nullptr;
        if (std::int32_t code = role_fan(board, board.system_fan, fan)) return code;
        return set_manual_pwm(*fan, systemFanSpeedPwm);
    });
}

int32_t OmbixSetSystemFanSpeedRpm(int32_t, uint32_t systemFanSpeedRpm) {
    return run_call([&](const Board &board) -> std::int32_t {
        const Fan *fan = nullptr;
        if (std::int32_t code = role_fan(board, board.system_fan, fan)) return code;
        return set_manual_rpm(*fan, systemFanSpeedRpm);
    });
}

}  // extern "C"
