// The library's own exports besides the 88 calls: its configuration entry
// and its declaration that it may be entered from several threads.
#include "call.h"

extern "C" {

const int32_t OmbixApiThreadSafe = 1;

int32_t OmbixLinuxBoardConfigure(const OMBIX_LINUX_BOARD_SETTINGS *settings) {
    try {
        return ombix::linux_board::configure_board(settings);
    } catch (const std::bad_alloc &) {
        return ombix::linux_board::os_error(ENOMEM);
    } catch (...) {
        return ombix::linux_board::os_error(EIO);
    }
}

}  // extern "C"
