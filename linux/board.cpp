// The snapshot of the board in force, and making a new one.
#include "board.h"

#include <mutex>

namespace ombix::linux_board {
namespace {

std::mutex configure_mutex;  // one configuration at a time
std::mutex snapshot_mutex;   // guards the pointer only
std::shared_ptr<const Board> snapshot;

std::string or_default(const char *value, const char *fallback) {
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

}  // namespace

std::int32_t configure_board(const OMBIX_LINUX_BOARD_SETTINGS *settings) {
    std::lock_guard<std::mutex> configuring(configure_mutex);
    auto board = std::make_shared<Board>();
    OMBIX_LINUX_BOARD_SETTINGS none{};
    if (settings == nullptr) settings = &none;
    board->root = or_default(settings->rootPrefix, "");
    while (!board->root.empty() && board->root.back() == '/') board->root.pop_back();
    board->state_directory = or_default(settings->stateDirectory, "/var/lib/ombix");
    if (settings->boardFile != nullptr && settings->boardFile[0] != '\0') {
        std::string error;
        if (!read_board_file(settings->boardFile, board->file, error)) return OMBIX_LINUX_RC_BAD_BOARD_FILE;
    }

    std::vector<HwmonChip> chips = scan_hwmon(board->root);
    if (board->root.empty()) apply_libsensors(chips);
    discover_hwmon(*board, std::move(chips));
    discover_power_supplies(*board);
    discover_displays(*board);
    discover_pci(*board);
    release_gpio_lines();
    discover_gpio(*board);
    discover_watchdog(*board);
    discover_storage(*board);
    discover_i2c(*board);
    discover_spi(*board);

    std::lock_guard<std::mutex> lock(snapshot_mutex);
    snapshot = std::move(board);
    return OMBIX_RC_OK;
}

std::shared_ptr<const Board> current_board() {
    {
        std::lock_guard<std::mutex> lock(snapshot_mutex);
        if (snapshot) return snapshot;
    }
    configure_board(nullptr);
    std::lock_guard<std::mutex> lock(snapshot_mutex);
    return snapshot;
}

}  // namespace ombix::linux_board
