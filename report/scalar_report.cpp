// The sections of the board report made of scalar calls.
#include <cinttypes>

#include "board_report.h"
#include "ombixRemoteCall.h"
#include "ombix_linux_board.h"

namespace ombix::report {
namespace {

const char *fan_mode_name(std::uint8_t mode) {
    switch (mode) {
        case 0: return "automatic";
        case 1: return "manual (PWM)";
        case 2: return "manual (RPM)";
        case 3: return "thermal cruise";
        default: return "unknown";
    }
}

// A numbered label, such as "fan 2:", for the report's first column.
struct Label {
    char text[32];
};

Label label(const char *what, std::int64_t number) {
    Label l{};
    std::snprintf(l.text, sizeof l.text, "%s %" PRId64 ":", what, number);
    return l;
}

// Prints "  label: failed (code N)" and counts the failure; what the
// board lacks is "not available" and no failure.
bool failed(std::FILE *out, const char *label, std::int32_t code, int &failures) {
    if (code == OMBIX_RC_OK || code == OMBIX_RC_OUTPUTS_VALID) return false;
    if (code == OMBIX_LINUX_RC_NOT_SUPPORTED) {
        std::fprintf(out, "  %-22s not available\n", label);
        return true;
    }
    std::fprintf(out, "  %-22s failed (code %" PRId32 ")\n", label, code);
    ++failures;
    return true;
}

void print_status(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Status\n");
    std::int32_t value = 0;
    if (!failed(out, "up time:", OmbixR_SystemUpTime(h, &value), failures)) {
        std::fprintf(out, "  %-22s %" PRId32 " d %02" PRId32 ":%02" PRId32 ":%02" PRId32 "\n",
                     "up time:", value / 86400, value / 3600 % 24, value / 60 % 60, value % 60);
    }
    if (!failed(out, "boot counter:", OmbixR_GetBootCounter(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 "\n", "boot counter:", value);
    if (!failed(out, "intruder status:", OmbixR_GetIntruderStatus(h, &value), failures))
        std::fprintf(out, "  %-22s %s\n", "intruder status:", value ? "case opened" : "closed");
    std::uint32_t state = 0, mask = 0;
    if (!failed(out, "performance state:", OmbixR_GetPerformanceState(h, &state), failures) &&
        !failed(out, "performance states:", OmbixR_PerformanceStateCaps(h, &mask), failures))
        std::fprintf(out, "  %-22s %" PRIu32 " (available mask 0x%" PRIX32 ")\n", "performance state:", state, mask);
    std::int8_t performance = 0;
    if (!failed(out, "CPU performance:", OmbixR_GetCpuPerformance(h, &performance), failures))
        std::fprintf(out, "  %-22s %d %%\n", "CPU performance:", performance);
    std::int32_t frequency = 0;
    if (!failed(out, "CPU frequency:", OmbixR_GetCpuFreq(h, 0, &frequency), failures))
        std::fprintf(out, "  %-22s %" PRId32 " MHz\n", "CPU frequency:", frequency);
}

void print_temperatures(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Temperatures\n");
    std::int32_t value = 0;
    for (std::int32_t cpu = 0; cpu < 2; ++cpu) {
        if (OmbixR_GetCpuTemp(h, cpu, &value) == OMBIX_RC_OK)
            std::fprintf(out, "  %-22s %" PRId32 " C\n", label("CPU", cpu).text, value);
    }
    if (!failed(out, "chipset:", OmbixR_GetChipsetTemp(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 " C\n", "chipset:", value);
    if (!failed(out, "system:", OmbixR_GetSystemTemp(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 " C\n", "system:", value);
    std::int32_t count = 0;
    if (!failed(out, "temperature sensors:", OmbixR_GetTempSensorCount(h, &count), failures)) {
        for (std::int32_t i = 0; i < count; ++i) {
            if (OmbixR_GetTempSensorValue(h, i, &value) == OMBIX_RC_OK)
                std::fprintf(out, "  %-22s %" PRId32 " C\n", label("sensor", i).text, value);
        }
    }
    if (!failed(out, "voltage sensors:", OmbixR_GetVoltageSensorCount(h, &count), failures)) {
        for (std::int32_t i = 0; i < count; ++i) {
            if (OmbixR_GetVoltageSensorValue(h, i, &value) == OMBIX_RC_OK)
                std::fprintf(out, "  %-22s %" PRId32 " mV\n", label("voltage", i).text, value);
        }
    }
}

void print_fans(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Fans\n");
    std::int32_t count = 0;
    if (failed(out, "fan count:", OmbixR_GetFanCount(h, &count), failures)) return;
    for (std::int32_t fan = 0; fan < count; ++fan) {
        std::uint8_t pwm = 0, mode = 0;
        std::int32_t rpm = 0;
        if (failed(out, "fan:", OmbixR_GetFanSpeed(h, fan, &pwm, &rpm), failures) ||
            failed(out, "fan mode:", OmbixR_GetFanMode(h, fan, &mode), failures))
            continue;
        std::fprintf(out, "  %-22s %" PRId32 " rpm, PWM %u, %s\n", label("fan", fan).text, rpm, pwm,
                     fan_mode_name(mode));
    }
}

void print_devices(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "Devices\n");
    std::int32_t value = 0;
    std::int8_t batteries = 0;
    std::uint8_t buses = 0;
    if (!failed(out, "batteries:", OmbixR_GetBatteryCount(h, &batteries), failures))
        std::fprintf(out, "  %-22s %d\n", "batteries:", batteries);
    if (!failed(out, "displays:", OmbixR_GetDisplayCount(h, &value), failures)) {
        std::fprintf(out, "  %-22s %" PRId32 "\n", "displays:", value);
        for (std::int32_t display = 0; display < value; ++display) {
            std::int32_t backlight = 0;
            if (OmbixR_GetBacklightValue(h, display, &backlight) == OMBIX_RC_OK)
                std::fprintf(out, "    display %" PRId32 " backlight %" PRId32 " %%\n", display, backlight);
        }
    }
    if (!failed(out, "memory modules:", OmbixR_GetMemoryModuleCount(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 "\n", "memory modules:", value);
    if (!failed(out, "disk drives:", OmbixR_GetDiskDriveCount(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 "\n", "disk drives:", value);
    if (!failed(out, "PCI devices:", OmbixR_GetPciDeviceCount(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 "\n", "PCI devices:", value);
    if (!failed(out, "network devices:", OmbixR_GetNetworkDeviceCount(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 "\n", "network devices:", value);
    if (!failed(out, "storage areas:", OmbixR_GetStorageCount(h, &value), failures))
        std::fprintf(out, "  %-22s %" PRId32 "\n", "storage areas:", value);
    if (!failed(out, "I2C buses:", OmbixR_GetI2cBusCount(h, &buses), failures))
        std::fprintf(out, "  %-22s %u\n", "I2C buses:", buses);
    if (!failed(out, "SMBus buses:", OmbixR_GetSmbusCount(h, &buses), failures))
        std::fprintf(out, "  %-22s %u\n", "SMBus buses:", buses);
    if (!failed(out, "SPI buses:", OmbixR_GetSpiBusCount(h, &buses), failures))
        std::fprintf(out, "  %-22s %u\n", "SPI buses:", buses);
}

void print_gpio_and_watchdog(std::FILE *out, std::int32_t h, int &failures) {
    std::fprintf(out, "GPIO\n");
    std::uint32_t lines = 0;
    if (!failed(out, "GPIO lines:", OmbixR_GpioGetCount(h, &lines), failures)) {
        for (std::uint32_t line = 0; line < lines; ++line) {
            std::uint8_t direction = 0, level = 0, in = 0, outCap = 0;
            if (OmbixR_GpioGetDirection(h, line, &direction) != OMBIX_RC_OK ||
                OmbixR_GpioGetLevel(h, line, &level) != OMBIX_RC_OK ||
                OmbixR_GpioGetDirectionCaps(h, line, &in, &outCap) != OMBIX_RC_OK)
                continue;
            std::fprintf(out, "  %-22s %-6s level %u (can be %s%s%s)\n", label("line", line).text,
                         direction ? "output" : "input", level, in ? "input" : "", in && outCap ? "/" : "",
                         outCap ? "output" : "");
        }
    }
    std::fprintf(out, "Watchdog\n");
    std::int32_t maxTimeout = 0;
    if (!failed(out, "maximum timeout:", OmbixR_WatchdogGetCap(h, &maxTimeout), failures))
        std::fprintf(out, "  %-22s %" PRId32 " s\n", "maximum timeout:", maxTimeout);
}

}  // namespace

int print_scalar_sections(std::FILE *out, std::int32_t handle) {
    int failures = 0;
    print_status(out, handle, failures);
    print_temperatures(out, handle, failures);
    print_fans(out, handle, failures);
    print_devices(out, handle, failures);
    print_gpio_and_watchdog(out, handle, failures);
    return failures;
}

}  // namespace ombix::report
