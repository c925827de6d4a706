// The board as discovered: its devices in stable order, numbered as the API
// numbers them, and its configuration. A snapshot is made by configure()
// and never changes; calls hold a reference to the one in force.
#ifndef OMBIX_LINUX_BOARD_H
#define OMBIX_LINUX_BOARD_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "board_file.h"
#include "bus_device.h"
#include "hwmon_scan.h"
#include "ombix_linux_board.h"
#include "value_file.h"

namespace ombix::linux_board {

struct Sensor {
    std::string name;  // shown: the board file's name, else the default
    std::string default_name;
    HwmonChannel channel;
    ValueFile input;
};

struct Fan {
    std::string name;
    std::string default_name;
    std::string driver;   // the chip's name
    ValueFile rpm;        // fanN_input
    std::string pwm;      // pwmN, or "" when the chip does not drive this fan
    std::string enable;   // pwmN_enable, or ""
    ValueFile pwm_value;  // pwm and enable kept open for the list
    ValueFile enable_value;
    std::string target;  // fanN_target (target speed in rpm), or ""
    std::string target_temp;
    std::string tolerance;
    FanModeValues modes;  // with the defaults filled in where known
};

struct PowerSupply {
    std::string folder;
    std::string name;
};

struct GpioChip {
    std::string device;  // /dev/gpiochipN below the root
    std::string label;
    std::string name;  // gpiochipN
    unsigned lines = 0;
};

struct GpioLineRef {
    std::size_t chip = 0;
    unsigned offset = 0;
    bool input_only = false;
};

struct WatchdogDevice {
    std::string name;    // watchdogN
    std::string sysfs;   // /sys/class/watchdog/watchdogN below the root
    std::string device;  // /dev/watchdogN below the root
    std::string identity;
};

// A user storage area: an nvmem device's contents or a file of the board file.
struct StorageArea {
    std::string path;
    std::int32_t size = 0;
    bool file_backed = false;  // made when first written, synced at every write
};

// An I2C adapter served through /dev/i2c-N.
struct I2cAdapter {
    std::string name;               // the adapter's name in sysfs
    std::string device;             // /dev/i2c-N below the root
    unsigned long functions = 0;    // I2C_FUNCS: the kernel's type for it
    std::set<std::uint8_t> forced;  // addresses the board file lets us use beside a kernel driver
    std::shared_ptr<BusDevice> open;
};

// An SPI device served through /dev/spidevB.C, with its transfer settings.
struct SpiDevice {
    std::string device;  // /dev/spidevB.C below the root
    std::uint8_t mode = 0;
    std::uint32_t speed_hz = 0;  // 0: the lower of 1 MHz and the device's maximum
    std::uint8_t bits_per_word = 8;
    std::shared_ptr<BusDevice> open;  // opened at the first transfer
};

struct Board {
    std::string root;  // "" for the real root
    std::string state_directory;
    BoardFile file;

    std::vector<Sensor> temps, voltages;
    std::vector<Fan> fans;
    std::vector<int> cpu_temps;  // indices into temps, by CPU number
    int chipset_temp = -1, system_temp = -1;
    int cpu_fan = -1, system_fan = -1;
    std::vector<std::string> intrusion_alarms;

    std::vector<std::string> displays;  // backlight folders
    std::vector<PowerSupply> batteries;
    std::vector<PowerSupply> external_supplies;  // mains and USB: whether the board runs on them
    std::vector<PCI_DEVICE> pci_devices;
    int pci_error = 0;  // errno value when the PCI devices could not be listed
    std::vector<GpioChip> gpio_chips;
    std::vector<GpioLineRef> gpio_lines;
    std::optional<WatchdogDevice> watchdog;
    std::vector<StorageArea> storage_areas;
    std::vector<I2cAdapter> i2c_buses;                          // adapters offering plain I2C, in device order
    std::vector<I2cAdapter> smbus_buses;                        // adapters offering SMBus calls, in device order
    std::vector<std::map<std::uint16_t, SpiDevice>> spi_buses;  // by chip select (deviceId)

    std::string path(const std::string &absolute) const { return root + absolute; }
};

// The board in force, configured with the defaults on first use.
std::shared_ptr<const Board> current_board();
// Makes a new snapshot from `settings`; OMBIX_RC_OK or OMBIX_LINUX_RC_BAD_BOARD_FILE.
std::int32_t configure_board(const OMBIX_LINUX_BOARD_SETTINGS *settings);

// Discovery, one group per function (board_discovery.cpp and the groups' own files).
void discover_hwmon(Board &board, std::vector<HwmonChip> chips);
void discover_power_supplies(Board &board);
void discover_displays(Board &board);
void discover_pci(Board &board);
void discover_gpio(Board &board);
void discover_watchdog(Board &board);
void discover_storage(Board &board);
void discover_i2c(Board &board);
void discover_spi(Board &board);

// Drops the GPIO lines this library holds (before a new snapshot).
void release_gpio_lines();

}  // namespace ombix::linux_board

#endif
