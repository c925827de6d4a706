// The optional board file: a JSON object that overrides the defaults of the
// Linux board (docs/linux-board.md lists its members).
#ifndef OMBIX_LINUX_BOARD_FILE_H
#define OMBIX_LINUX_BOARD_FILE_H

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ombix::linux_board {

// The pwmN_enable values of a fan's modes, where they differ from the defaults.
struct FanModeValues {
    std::optional<std::int64_t> manual;
    std::optional<std::int64_t> rpm;
    std::optional<std::int64_t> thermal_cruise;
};

struct GpioLineChoice {
    std::string chip;  // a chip's label or device name ("gpiochip0" is not stable: use labels)
    std::uint32_t line = 0;
    bool input_only = false;
};

// A user storage area kept in a file: its path and its size in bytes.
struct StorageFile {
    std::string path;
    std::int32_t size = 0;
};

// Transfer settings of SPI devices; what is unset keeps its default.
struct SpiSettings {
    std::optional<std::uint8_t> mode;  // SPI_IOC_WR_MODE: clock phase and polarity (0 to 3) and flags
    std::optional<std::uint32_t> speed_hz;
    std::optional<std::uint8_t> bits_per_word;
};

// One SPI device: (spiNr, deviceId) served by `device` ("spidevB.C"), or by the default mapping when empty.
struct SpiDeviceChoice {
    std::uint8_t spi_nr = 0;
    std::uint16_t device_id = 0;
    std::string device;
    SpiSettings settings;
};

struct BoardFile {
    // Temperature sensors by name (the default name or the name the board file gives).
    std::optional<std::vector<std::string>> cpu_temps;  // cpuNr 0, 1, ...
    std::optional<std::string> chipset_temp;
    std::optional<std::string> system_temp;
    std::map<std::string, std::string> sensor_names;  // default name -> name shown
    std::map<std::string, std::string> fan_names;
    std::optional<std::string> cpu_fan;
    std::optional<std::string> system_fan;
    std::map<std::string, FanModeValues> fan_modes;  // by the fan's default name
    std::optional<std::vector<std::string>> gpio_chips;
    std::optional<std::vector<GpioLineChoice>> gpio_lines;
    std::optional<std::string> watchdog;                      // identity or device name ("watchdog1")
    std::set<std::string> system_states;                      // "poweroff", "reboot", "suspend"
    bool storage_nvmem = true;                                // the kernel's nvmem devices are storage areas
    std::vector<StorageFile> storage_files;                   // after the nvmem devices, in this order
    bool virtual_disks = false;                               // loop, ram and zram devices listed as disks
    std::map<std::string, std::set<std::uint8_t>> i2c_force;  // adapter name -> addresses used beside a driver
    SpiSettings spi_settings;                                 // for every SPI device
    std::vector<SpiDeviceChoice> spi_devices;
};

// Reads a board file; false with a reason when it cannot be read or holds
// anything but the members it may hold, of their types.
bool read_board_file(const std::string &path, BoardFile &board, std::string &error);

}  // namespace ombix::linux_board

#endif
