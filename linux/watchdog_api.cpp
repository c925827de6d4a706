// The watchdog over /dev/watchdogN: the library opens the device when the
// watchdog is enabled (opening starts it) and keeps it open until it is
// disabled with the magic close. Capabilities come from sysfs, never from
// opening the device.
#include <fcntl.h>
#include <linux/watchdog.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

std::mutex watchdog_mutex;
int watchdog_fd = -1;
std::string watchdog_sysfs;  // of the device that is open

std::int32_t keepalive(int fd) {
    int ignored = 0;
    if (::ioctl(fd, WDIOC_KEEPALIVE, &ignored) == 0) return OMBIX_RC_OK;
    // Every driver takes a write as a keepalive.
    if (::write(fd, "k", 1) == 1) return OMBIX_RC_OK;
    return os_error(errno);
}

bool still_active(const std::string &sysfs) {
    auto state = read_text(sysfs + "/state");
    return state && *state == "active";
}

}  // namespace

namespace ombix::linux_board {

void discover_watchdog(Board &board) {
    const std::string folder = board.path("/sys/class/watchdog");
    std::vector<std::pair<std::string, WatchdogDevice>> found;
    for (const std::string &name : list_folder(folder)) {
        WatchdogDevice w;
        w.name = name;
        w.sysfs = folder + "/" + name;
        w.device = board.path("/dev/" + name);
        w.identity = read_text(w.sysfs + "/identity").value_or("");
        if (board.file.watchdog && *board.file.watchdog != name && *board.file.watchdog != w.identity) continue;
        found.emplace_back(stable_key(resolved(w.sysfs)), w);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    if (!found.empty()) board.watchdog = found.front().second;
}

}  // namespace ombix::linux_board

extern "C" {

int32_t OmbixWatchdogGetCap(int32_t, int32_t *maxTimeout) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (maxTimeout == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (!board.watchdog) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        auto max = read_integer(board.watchdog->sysfs + "/max_timeout");
        if (!max) return errno == ENOENT ? OMBIX_LINUX_RC_NOT_SUPPORTED : os_error(errno);
        if (*max <= 0 || *max > INT32_MAX) return OMBIX_LINUX_RC_OUT_OF_RANGE;
        *maxTimeout = static_cast<int32_t>(*max);
        return OMBIX_RC_OK;
    });
}

// Starts the watchdog (or changes its timeout) with `timeout` seconds.
int32_t OmbixWatchdogEnable(int32_t, int32_t timeout) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (!board.watchdog) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        if (timeout <= 0) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        auto max = read_integer(board.watchdog->sysfs + "/max_timeout");
        if (max && timeout > *max) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::lock_guard<std::mutex> lock(watchdog_mutex);
        bool opened_now = false;
        if (watchdog_fd < 0) {
            watchdog_fd = ::open(board.watchdog->device.c_str(), O_WRONLY | O_CLOEXEC);
            if (watchdog_fd < 0) return os_error(errno);
            watchdog_sysfs = board.watchdog->sysfs;
            opened_now = true;
        }
        int seconds = timeout;
        if (::ioctl(watchdog_fd, WDIOC_SETTIMEOUT, &seconds) != 0) {
            int error = errno;
            if (opened_now) {
                // Leave it as it was: stopped.
                if (::write(watchdog_fd, "V", 1) == 1 && ::close(watchdog_fd) == 0) watchdog_fd = -1;
            }
            return os_error(error);
        }
        return keepalive(watchdog_fd);
    });
}

int32_t OmbixWatchdogTrigger(int32_t) {
    return run_call([&](const Board &) -> std::int32_t {
        std::lock_guard<std::mutex> lock(watchdog_mutex);
        if (watchdog_fd < 0) return OMBIX_LINUX_RC_WATCHDOG_NOT_ENABLED;
        return keepalive(watchdog_fd);
    });
}

// The magic close: write 'V', then close. A driver that may not stop
// (nowayout) keeps running: the device then stays open here, so that the
// watchdog can still be triggered, and the call says so.
int32_t OmbixWatchdogDisable(int32_t) {
    return run_call([&](const Board &) -> std::int32_t {
        std::lock_guard<std::mutex> lock(watchdog_mutex);
        if (watchdog_fd < 0) return OMBIX_LINUX_RC_WATCHDOG_NOT_ENABLED;
        if (read_integer(watchdog_sysfs + "/nowayout").value_or(0) != 0) return OMBIX_LINUX_RC_WATCHDOG_NOT_STOPPED;
        if (::write(watchdog_fd, "V", 1) != 1) return os_error(errno);
        int fd = watchdog_fd;
        watchdog_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) return os_error(errno);
        if (still_active(watchdog_sysfs)) {
            std::string device = "/dev/" + watchdog_sysfs.substr(watchdog_sysfs.find_last_of('/') + 1);
            std::string prefix = watchdog_sysfs.substr(0, watchdog_sysfs.find("/sys/class/watchdog/"));
            watchdog_fd = ::open((prefix + device).c_str(), O_WRONLY | O_CLOEXEC);
            if (watchdog_fd >= 0) keepalive(watchdog_fd);
            return OMBIX_LINUX_RC_WATCHDOG_NOT_STOPPED;
        }
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
