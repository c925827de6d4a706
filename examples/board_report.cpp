// An example client application: prints a report of the simulated board
// through the client stubs and the loopback transport, then changes a fan
// mode and a GPIO level and reads them back.
#include <cstdio>

#include "board_report.h"
#include "ombixRemoteCall.h"

namespace {

constexpr int kHandle = 1;

int change_and_read_back() {
    std::printf("\nChanges\n");
    std::uint8_t mode = 0, pwm = 0, level = 0;
    std::int32_t rpm = 0;
    int failures = 0;

    std::int32_t code = OmbixR_SetFanModeManual(kHandle, 1, 180);
    failures += code != OMBIX_RC_OK;
    code = OmbixR_GetFanMode(kHandle, 1, &mode) | OmbixR_GetFanSpeed(kHandle, 1, &pwm, &rpm);
    failures += code != OMBIX_RC_OK;
    std::printf("  fan 1 set to manual PWM 180: mode %u, PWM %u, %d rpm\n", mode, pwm, rpm);

    code = OmbixR_GpioSetDirection(kHandle, 4, 1) | OmbixR_GpioSetLevel(kHandle, 4, 1);
    failures += code != OMBIX_RC_OK;
    code = OmbixR_GpioGetLevel(kHandle, 4, &level);
    failures += code != OMBIX_RC_OK;
    std::printf("  GPIO line 4 set to output, level 1: reads back level %u\n", level);
    return failures;
}

}  // namespace

int main() {
    std::printf("Board report (loopback transport, simulated board)\n\n");
    int failures = ombix::report::print_board_report(stdout, kHandle);
    failures += change_and_read_back();
    return failures == 0 ? 0 : 1;
}
