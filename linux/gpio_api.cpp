// GPIO lines over the GPIO character device (libgpiod). The board's line
// numbers run through the lines of its chips in chip order, chip 0's first.
// A line set as an output stays requested by this library ("ombix"), and so
// driven, after the call returns, until it is set to input or the board is
// configured anew. A line another consumer holds answers
// OMBIX_LINUX_RC_LINE_BUSY. Direction 1 is output, 0 input.
#include <gpiod.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

constexpr const char *kConsumer = "ombix";

struct HeldLine {
    gpiod_chip *chip = nullptr;
    gpiod_line *line = nullptr;
};

std::mutex gpio_mutex;
std::map<std::pair<std::string, unsigned>, HeldLine> held;  // by chip device and offset

// A chip opened for one call, closed at its end.
class OpenChip {
public:
    explicit OpenChip(const std::string &device) : chip_(gpiod_chip_open(device.c_str())), error_(chip_ ? 0 : errno) {}
    ~OpenChip() {
        if (chip_ != nullptr) gpiod_chip_close(chip_);
    }
    OpenChip(const OpenChip &) = delete;
    OpenChip &operator=(const OpenChip &) = delete;
    gpiod_chip *get() const { return chip_; }
    int error() const { return error_ != 0 ? error_ : EIO; }
    // Hands the chip over (to a held line).
    gpiod_chip *release() {
        gpiod_chip *chip = chip_;
        chip_ = nullptr;
        return chip;
    }

private:
    gpiod_chip *chip_;
    int error_;
};

struct Target {
    std::string device;
    unsigned offset = 0;
    bool input_only = false;
};

std::int32_t target_of(const Board &board, uint32_t gpioNr, Target &target) {
    if (gpioNr >= board.gpio_lines.size()) return OMBIX_LINUX_RC_NO_DEVICE;
    const GpioLineRef &ref = board.gpio_lines[gpioNr];
    target = {board.gpio_chips[ref.chip].device, ref.offset, ref.input_only};
    return OMBIX_RC_OK;
}

HeldLine *held_line(const Target &target) {
    auto it = held.find({target.device, target.offset});
    return it == held.end() ? nullptr : &it->second;
}

// The line's level without changing its direction; the line must be free.
std::int32_t read_free_line(gpiod_line *line, uint8_t &level) {
    gpiod_line_request_config config{kConsumer, GPIOD_LINE_REQUEST_DIRECTION_AS_IS, 0};
    if (gpiod_line_request(line, &config, 0) != 0) return errno == EBUSY ? OMBIX_LINUX_RC_LINE_BUSY : os_error(errno);
    int value = gpiod_line_get_value(line);
    int error = errno;
    gpiod_line_release(line);
    if (value < 0) return os_error(error);
    level = static_cast<uint8_t>(value);
    return OMBIX_RC_OK;
}

// Requests a free line as an output driven at `level` and keeps it.
std::int32_t hold_output(OpenChip &chip, gpiod_line *line, const Target &target, int level) {
    if (gpiod_line_request_output(line, kConsumer, level) != 0) {
        return errno == EBUSY ? OMBIX_LINUX_RC_LINE_BUSY : os_error(errno);
    }
    held[{target.device, target.offset}] = HeldLine{chip.release(), line};
    return OMBIX_RC_OK;
}

void drop(const Target &target) {
    auto it = held.find({target.device, target.offset});
    if (it == held.end()) return;
    gpiod_line_release(it->second.line);
    gpiod_chip_close(it->second.chip);
    held.erase(it);
}

// Runs `body` with the line of a target that this library does not hold.
template <typename F>
std::int32_t with_free_line(const Target &target, F &&body) {
    OpenChip chip(target.device);
    if (chip.get() == nullptr) return os_error(chip.error());
    gpiod_line *line = gpiod_chip_get_line(chip.get(), target.offset);
    if (line == nullptr) return os_error(errno);
    if (gpiod_line_update(line) != 0) return os_error(errno);
    if (gpiod_line_is_used(line)) return OMBIX_LINUX_RC_LINE_BUSY;
    return body(chip, line);
}

}  // namespace

namespace ombix::linux_board {

void release_gpio_lines() {
    std::lock_guard<std::mutex> lock(gpio_mutex);
    for (auto &entry : held) {
        gpiod_line_release(entry.second.line);
        gpiod_chip_close(entry.second.chip);
    }
    held.clear();
}

void discover_gpio(Board &board) {
    struct Found {
        std::string key;
        GpioChip chip;
    };
    std::vector<Found> found;
    const std::string folder = board.path("/sys/bus/gpio/devices");
    for (const std::string &name : list_folder(folder)) {
        if (name.rfind("gpiochip", 0) != 0) continue;
        GpioChip chip;
        chip.name = name;
        chip.device = board.path("/dev/" + name);
        gpiod_chip *open = gpiod_chip_open(chip.device.c_str());
        if (open == nullptr) continue;
        chip.label = gpiod_chip_label(open);
        chip.lines = gpiod_chip_num_lines(open);
        gpiod_chip_close(open);
        found.push_back({stable_key(resolved(folder + "/" + name)), chip});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.key < b.key; });

    auto chip_named = [&](const std::string &name) -> int {
        for (std::size_t i = 0; i < board.gpio_chips.size(); ++i) {
            if (board.gpio_chips[i].label == name || board.gpio_chips[i].name == name) return static_cast<int>(i);
        }
        return -1;
    };
    if (board.file.gpio_chips) {
        for (const std::string &wanted : *board.file.gpio_chips) {
            for (Found &f : found) {
                if (f.chip.label == wanted || f.chip.name == wanted) board.gpio_chips.push_back(f.chip);
            }
        }
    } else {
        for (Found &f : found) board.gpio_chips.push_back(f.chip);
    }
    if (board.file.gpio_lines) {
        if (!board.file.gpio_chips) {
            board.gpio_chips.clear();
            for (Found &f : found) board.gpio_chips.push_back(f.chip);
        }
        for (const GpioLineChoice &choice : *board.file.gpio_lines) {
            int chip = chip_named(choice.chip);
            // A line the board lacks is left out rather than numbered wrongly.
            if (chip < 0 || choice.line >= board.gpio_chips[static_cast<std::size_t>(chip)].lines) continue;
            board.gpio_lines.push_back({static_cast<std::size_t>(chip), choice.line, choice.input_only});
        }
        return;
    }
    for (std::size_t c = 0; c < board.gpio_chips.size(); ++c) {
        for (unsigned offset = 0; offset < board.gpio_chips[c].lines; ++offset)
            board.gpio_lines.push_back({c, offset, false});
    }
}

}  // namespace ombix::linux_board

extern "C" {

int32_t OmbixGpioGetCount(int32_t, uint32_t *gpioCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (gpioCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *gpioCount = static_cast<uint32_t>(board.gpio_lines.size());
        return OMBIX_RC_OK;
    });
}

// Every line can be read; a line the board file marks input-only cannot drive.
int32_t OmbixGpioGetDirectionCaps(int32_t, uint32_t gpioNr, uint8_t *isInput, uint8_t *isOutput) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (isInput == nullptr || isOutput == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        Target target;
        if (std::int32_t code = target_of(board, gpioNr, target)) return code;
        *isInput = 1;
        *isOutput = target.input_only ? 0 : 1;
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGpioGetDirection(int32_t, uint32_t gpioNr, uint8_t *direction) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (direction == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        Target target;
        if (std::int32_t code = target_of(board, gpioNr, target)) return code;
        std::lock_guard<std::mutex> lock(gpio_mutex);
        if (HeldLine *line = held_line(target)) {
            *direction = gpiod_line_direction(line->line) == GPIOD_LINE_DIRECTION_OUTPUT ? 1 : 0;
            return OMBIX_RC_OK;
        }
        // Reading the direction needs no request: a line in use elsewhere shows its direction too.
        OpenChip chip(target.device);
        if (chip.get() == nullptr) return os_error(chip.error());
        gpiod_line *line = gpiod_chip_get_line(chip.get(), target.offset);
        if (line == nullptr) return os_error(errno);
        *direction = gpiod_line_direction(line) == GPIOD_LINE_DIRECTION_OUTPUT ? 1 : 0;
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGpioSetDirection(int32_t, uint32_t gpioNr, uint8_t direction) {
    return run_call([&](const Board &board) -> std::int32_t {
        Target target;
        if (std::int32_t code = target_of(board, gpioNr, target)) return code;
        if (direction > 1) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (direction == 1 && target.input_only) return OMBIX_LINUX_RC_NOT_PERMITTED;
        std::lock_guard<std::mutex> lock(gpio_mutex);
        if (held_line(target) != nullptr) {
            if (direction == 1) return OMBIX_RC_OK;
            drop(target);
        }
        return with_free_line(target, [&](OpenChip &chip, gpiod_line *line) -> std::int32_t {
            if (direction == 0) {
                if (gpiod_line_request_input(line, kConsumer) != 0) {
                    return errno == EBUSY ? OMBIX_LINUX_RC_LINE_BUSY : os_error(errno);
                }
                gpiod_line_release(line);
                return OMBIX_RC_OK;
            }
            // An input turned output keeps the level it reads now.
            uint8_t level = 0;
            if (std::int32_t code = read_free_line(line, level)) return code;
            return hold_output(chip, line, target, level);
        });
    });
}

int32_t OmbixGpioGetLevel(int32_t, uint32_t gpioNr, uint8_t *level) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (level == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        Target target;
        if (std::int32_t code = target_of(board, gpioNr, target)) return code;
        std::lock_guard<std::mutex> lock(gpio_mutex);
        if (HeldLine *line = held_line(target)) {
            int value = gpiod_line_get_value(line->line);
            if (value < 0) return os_error(errno);
            *level = static_cast<uint8_t>(value);
            return OMBIX_RC_OK;
        }
        return with_free_line(target, [&](OpenChip &, gpiod_line *line) { return read_free_line(line, *level); });
    });
}

int32_t OmbixGpioSetLevel(int32_t, uint32_t gpioNr, uint8_t level) {
    return run_call([&](const Board &board) -> std::int32_t {
        Target target;
        if (std::int32_t code = target_of(board, gpioNr, target)) return code;
        if (level > 1) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::lock_guard<std::mutex> lock(gpio_mutex);
        if (HeldLine *line = held_line(target)) {
            if (gpiod_line_set_value(line->line, level) != 0) return os_error(errno);
            return OMBIX_RC_OK;
        }
        return with_free_line(target, [&](OpenChip &chip, gpiod_line *line) -> std::int32_t {
            if (gpiod_line_direction(line) != GPIOD_LINE_DIRECTION_OUTPUT) return OMBIX_LINUX_RC_NOT_AN_OUTPUT;
            return hold_output(chip, line, target, level);
        });
    });
}

}  // extern "C"
