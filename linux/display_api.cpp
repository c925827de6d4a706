// Displays are the backlight devices, in stable order; the backlight is a
// percentage of max_brightness, rounded to the nearest step.
#include <algorithm>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace ombix::linux_board {

void discover_displays(Board &board) {
    const std::string folder = board.path("/sys/class/backlight");
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::string &name : list_folder(folder)) {
        std::string device = folder + "/" + name;
        found.emplace_back(stable_key(resolved(device)) + "/" + name, device);
    }
    std::sort(found.begin(), found.end());
    for (auto &f : found) board.displays.push_back(f.second);
}

}  // namespace ombix::linux_board

namespace {

std::int32_t maximum(const std::string &display, std::int64_t &max) {
    auto value = read_integer(display + "/max_brightness");
    if (!value) return os_error(errno);
    if (*value <= 0 || *value > INT32_MAX) return OMBIX_LINUX_RC_OUT_OF_RANGE;
    max = *value;
    return OMBIX_RC_OK;
}

}  // namespace

extern "C" {

int32_t OmbixGetDisplayCount(int32_t, int32_t *displayCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (displayCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *displayCount = static_cast<int32_t>(board.displays.size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetBacklightValue(int32_t, int32_t displayNr, int32_t *backlight) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (backlight == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (!valid_index(displayNr, board.displays.size())) return OMBIX_LINUX_RC_NO_DEVICE;
        const std::string &display = board.displays[static_cast<std::size_t>(displayNr)];
        std::int64_t max = 0;
        if (std::int32_t code = maximum(display, max)) return code;
        auto value = read_integer(display + "/brightness");
        if (!value) return os_error(errno);
        if (*value < 0 || *value > max) return OMBIX_LINUX_RC_OUT_OF_RANGE;
        *backlight = static_cast<int32_t>((*value * 100 + max / 2) / max);
        return OMBIX_RC_OK;
    });
}

int32_t OmbixSetBacklightValue(int32_t, int32_t displayNr, int32_t backlight) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (!valid_index(displayNr, board.displays.size())) return OMBIX_LINUX_RC_NO_DEVICE;
        if (backlight < 0 || backlight > 100) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const std::string &display = board.displays[static_cast<std::size_t>(displayNr)];
        std::int64_t max = 0;
        if (std::int32_t code = maximum(display, max)) return code;
        std::int64_t value = (backlight * max + 50) / 100;
        if (int error = write_text(display + "/brightness", std::to_string(value))) return os_error(error);
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
