// System states (power off, reboot, suspend), allowed only where the board
// file enables them, and the password kept hashed with libcrypt in the state
// directory.
#include <crypt.h>
#include <sys/reboot.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "call.h"
#include "state_file.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

// The documented values of SetSystemState.
struct SystemState {
    int32_t value;
    const char *name;
};
constexpr SystemState kStates[] = {{1, "poweroff"}, {2, "reboot"}, {3, "suspend"}};

// Carried out a second after the call returns, so that its answer reaches the client.
void carry_out(const std::string &state) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ::sync();
    if (state == "poweroff") ::reboot(RB_POWER_OFF);
    if (state == "reboot") ::reboot(RB_AUTOBOOT);
    if (state == "suspend") write_text("/sys/power/state", "mem");
}

bool same_text(const std::string &a, const char *b) {
    std::size_t length = std::strlen(b);
    unsigned char difference = a.size() == length ? 0 : 1;
    for (std::size_t i = 0; i < a.size() && i < length; ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

}  // namespace

extern "C" {

// 1 power off, 2 reboot, 3 suspend to RAM. With a root prefix (tests) the
// request is written to <root>/run/ombix-system-state instead.
int32_t OmbixSetSystemState(int32_t, int32_t systemState) {
    return run_call([&](const Board &board) -> std::int32_t {
        const char *name = nullptr;
        for (const SystemState &s : kStates) {
            if (s.value == systemState) name = s.name;
        }
        if (name == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (board.file.system_states.count(name) == 0) return OMBIX_LINUX_RC_NOT_PERMITTED;
        if (!board.root.empty()) {
            if (int error = update_state_file(board.path("/run"), "ombix-system-state", [&](std::string &text) {
                    text = name;
                    return 1;
                })) {
                return os_error(error);
            }
            return OMBIX_RC_OK;
        }
        if (std::string(name) == "suspend" && !exists("/sys/power/state")) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        std::thread(carry_out, std::string(name)).detach();
        return OMBIX_RC_OK;
    });
}

// Without a password kept yet, the old password is the empty one.
int32_t OmbixPasswd(int32_t, const char *newPassword, const char *oldPassword) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (newPassword == nullptr || oldPassword == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (newPassword[0] == '\0' || std::strlen(newPassword) > 512 || std::strlen(oldPassword) > 512) {
            return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        }
        auto data = std::make_unique<crypt_data>();
        int result = update_state_file(board.state_directory, "password", [&](std::string &text) -> int {
            if (text.empty()) {
                if (oldPassword[0] != '\0') return -OMBIX_LINUX_RC_WRONG_PASSWORD;
            } else {
                std::memset(data.get(), 0, sizeof *data);
                const char *hash = crypt_rn(oldPassword, text.c_str(), data.get(), sizeof *data);
                if (hash == nullptr || hash[0] == '*') return -os_error(EBADMSG);  // a damaged hash
                if (!same_text(text, hash)) return -OMBIX_LINUX_RC_WRONG_PASSWORD;
            }
            char salt[CRYPT_GENSALT_OUTPUT_SIZE];
            if (crypt_gensalt_rn(nullptr, 0, nullptr, 0, salt, sizeof salt) == nullptr) return -os_error(errno);
            std::memset(data.get(), 0, sizeof *data);
            const char *hash = crypt_rn(newPassword, salt, data.get(), sizeof *data);
            if (hash == nullptr || hash[0] == '*') return -os_error(errno != 0 ? errno : EINVAL);
            text = hash;
            return 1;
        });
        std::memset(data.get(), 0, sizeof *data);
        if (result < 0) return -result;
        if (result > 0) return os_error(result);
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
