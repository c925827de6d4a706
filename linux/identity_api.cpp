// Identification, counters, up time and intruder status.
#include <cinttypes>
#include <cstdio>

#include "call.h"
#include "state_file.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

// A DMI field: the board's, else (on machines without a board structure) the system's.
std::string dmi_field(const Board &board, const char *field, const char *fallback) {
    const std::string folder = board.path("/sys/class/dmi/id/");
    auto value = read_text(folder + field);
    if ((!value || value->empty()) && fallback != nullptr) value = read_text(folder + fallback);
    return value ? *value : "";
}

}  // namespace

extern "C" {

int32_t OmbixGetBoardInfo(int32_t, BOARD_INFO *boardInfo) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (boardInfo == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (!exists(board.path("/sys/class/dmi/id"))) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        set_text(boardInfo->boardManufacturer, dmi_field(board, "board_vendor", "sys_vendor"));
        set_text(boardInfo->boardName, dmi_field(board, "board_name", "product_name"));
        set_text(boardInfo->boardVersion, dmi_field(board, "board_version", "product_version"));
        set_text(boardInfo->boardSerialNumber, dmi_field(board, "board_serial", "product_serial"));
        set_text(boardInfo->biosVersion, dmi_field(board, "bios_version", nullptr));
        set_text(boardInfo->biosDate, dmi_field(board, "bios_date", nullptr));
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetLibVersion(int32_t, LIB_VERSION *libVersion) {
    if (libVersion == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    char text[64];
    std::snprintf(text, sizeof text, "Ombix Linux board %u.%u.%u", OMBIX_LINUX_BOARD_VERSION >> 16 & 0xFF,
                  OMBIX_LINUX_BOARD_VERSION >> 8 & 0xFF, OMBIX_LINUX_BOARD_VERSION & 0xFF);
    set_text(libVersion->OmbixVersionText, text);
    libVersion->OmbixVersion = OMBIX_LINUX_BOARD_VERSION;
    return OMBIX_RC_OK;
}

int32_t OmbixSystemUpTime(int32_t, int32_t *systemUpTime) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (systemUpTime == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        auto text = read_text(board.path("/proc/uptime"));
        if (!text) return os_error(errno);
        double seconds = 0;
        if (std::sscanf(text->c_str(), "%lf", &seconds) != 1 || seconds < 0) return os_error(EBADMSG);
        if (seconds > INT32_MAX) return OMBIX_LINUX_RC_OUT_OF_RANGE;
        *systemUpTime = static_cast<int32_t>(seconds);
        return OMBIX_RC_OK;
    });
}

// The state file holds the count and the last boot id counted: a boot is
// counted once however often the call is made, by whichever process.
int32_t OmbixGetBootCounter(int32_t, int32_t *bootCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (bootCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        auto boot_id = read_text(board.path("/proc/sys/kernel/random/boot_id"));
        if (!boot_id || boot_id->empty()) return boot_id ? os_error(EBADMSG) : os_error(errno);
        std::int64_t count = 0;
        int result = update_state_file(board.state_directory, "boot-count", [&](std::string &text) {
            std::int64_t stored = 0;
            char last[64] = "";
            if (!text.empty() && (std::sscanf(text.c_str(), "%" SCNd64 " %63s", &stored, last) != 2 || stored < 0)) {
                return -os_error(EBADMSG);  // a damaged counter is reported, never restarted
            }
            count = stored;
            if (*boot_id == last) return 0;
            if (count == INT32_MAX) return -OMBIX_LINUX_RC_OUT_OF_RANGE;
            ++count;
            text = std::to_string(count) + " " + *boot_id;
            return 1;
        });
        if (result < 0) return -result;
        if (result > 0) return os_error(result);
        *bootCount = static_cast<int32_t>(count);
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetIntruderStatus(int32_t, int32_t *intruderStatus) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (intruderStatus == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (board.intrusion_alarms.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        int32_t status = 0;
        for (const std::string &alarm : board.intrusion_alarms) {
            auto value = read_integer(alarm);
            if (!value) return os_error(errno);
            if (*value != 0) status = 1;
        }
        *intruderStatus = status;
        return OMBIX_RC_OK;
    });
}

int32_t OmbixResetIntruderStatus(int32_t) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (board.intrusion_alarms.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        for (const std::string &alarm : board.intrusion_alarms) {
            if (int error = write_text(alarm, "0")) return os_error(error);
        }
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
