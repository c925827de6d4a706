// SPI over spidev: the devices /dev/spidevB.C grouped by controller, the
// controllers numbered in device order; a transfer is one SPI_IOC_MESSAGE
// (chip select held from the command through the data).
#include <linux/spi/spidev.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <map>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

// A speed every SPI device takes where the board file names none.
constexpr std::uint32_t kSafeSpeedHz = 1000000;
constexpr std::uint8_t kMaxCommandBytes = 4;

// "spidevB.C" -> B and C.
bool parse_spidev(const std::string &name, std::int64_t &bus, std::int64_t &select) {
    if (name.rfind("spidev", 0) != 0) return false;
    std::string numbers = name.substr(6);
    auto dot = numbers.find('.');
    if (dot == std::string::npos) return false;
    auto b = parse_integer(numbers.substr(0, dot));
    auto c = parse_integer(numbers.substr(dot + 1));
    if (!b || !c || *b < 0 || *c < 0 || *c > 0xFFFF) return false;
    bus = *b;
    select = *c;
    return true;
}

// The folder of the controller that a spidev class device's path lies below (…/spiB/spiB.C/spidev/spidevB.C).
std::string controller_of(const std::string &spidev_path) {
    std::string path = spidev_path;
    for (int i = 0; i < 3 && path.find('/') != std::string::npos; ++i) path.erase(path.rfind('/'));
    return path;
}

void apply(const SpiSettings &settings, SpiDevice &device) {
    if (settings.mode) device.mode = *settings.mode;
    if (settings.speed_hz) device.speed_hz = *settings.speed_hz;
    if (settings.bits_per_word) device.bits_per_word = *settings.bits_per_word;
}

std::uint64_t user_pointer(const void *pointer) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

// Sets the mode and bits per word once, and chooses the speed; under the device's lock.
int prepare(const SpiDevice &spi, BusDevice &device, int fd) {
    if (device.prepared) return 0;
    std::uint8_t mode = spi.mode, bits = spi.bits_per_word;
    if (::ioctl(fd, SPI_IOC_WR_MODE, &mode) != 0 || ::ioctl(fd, SPI_IOC_WR_BITS_PER_WORD, &bits) != 0) return errno;
    device.speed_hz = spi.speed_hz;
    if (device.speed_hz == 0) {
        std::uint32_t max = 0;
        if (::ioctl(fd, SPI_IOC_RD_MAX_SPEED_HZ, &max) != 0) return errno;
        device.speed_hz = max == 0 ? kSafeSpeedHz : std::min(max, kSafeSpeedHz);
    }
    device.prepared = true;
    return 0;
}

}  // namespace

namespace ombix::linux_board {

void discover_spi(Board &board) {
    struct Controller {
        std::string key;
        std::map<std::uint16_t, SpiDevice> devices;
    };
    std::map<std::int64_t, Controller> controllers;  // by the kernel's bus number
    const std::string folder = board.path("/sys/class/spidev");
    for (const std::string &name : list_folder(folder)) {
        std::int64_t bus = 0, select = 0;
        if (!parse_spidev(name, bus, select)) continue;
        Controller &controller = controllers[bus];
        controller.key = stable_key(controller_of(resolved(folder + "/" + name)));
        SpiDevice device;
        device.device = board.path("/dev/" + name);
        controller.devices[static_cast<std::uint16_t>(select)] = device;
    }
    std::vector<Controller> ordered;
    for (auto &c : controllers) ordered.push_back(std::move(c.second));
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) { return a.key < b.key; });
    for (Controller &c : ordered) board.spi_buses.push_back(std::move(c.devices));

    for (const SpiDeviceChoice &choice : board.file.spi_devices) {
        if (choice.device.empty()) continue;
        if (board.spi_buses.size() <= choice.spi_nr) board.spi_buses.resize(choice.spi_nr + 1u);
        SpiDevice device;
        device.device = board.path("/dev/" + choice.device);
        board.spi_buses[choice.spi_nr][choice.device_id] = device;
    }
    for (auto &bus : board.spi_buses) {
        for (auto &entry : bus) {
            apply(board.file.spi_settings, entry.second);
            entry.second.open = std::make_shared<BusDevice>(entry.second.device);
        }
    }
    for (const SpiDeviceChoice &choice : board.file.spi_devices) {
        if (choice.spi_nr >= board.spi_buses.size()) continue;
        auto found = board.spi_buses[choice.spi_nr].find(choice.device_id);
        if (found != board.spi_buses[choice.spi_nr].end()) apply(choice.settings, found->second);
    }
}

}  // namespace ombix::linux_board

extern "C" {

int32_t OmbixGetSpiBusCount(int32_t, uint8_t *spiBusCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (spiBusCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *spiBusCount = static_cast<std::uint8_t>(std::min<std::size_t>(board.spi_buses.size(), 255));
        return OMBIX_RC_OK;
    });
}

// Sends the `commandSize` low bytes of `command`, most significant first, then
// `numTransfers` bytes of `writeData` (zeros without it) while reading as many
// into `readData` (when given); what arrives during the command is dropped.
int32_t OmbixSpiXfer(int32_t, uint8_t spiNr, uint16_t deviceId, uint32_t command, uint8_t commandSize,
                     uint32_t numTransfers, const uint8_t *writeData, uint8_t *readData) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (spiNr >= board.spi_buses.size()) return OMBIX_LINUX_RC_NO_DEVICE;
        auto found = board.spi_buses[spiNr].find(deviceId);
        if (found == board.spi_buses[spiNr].end()) return OMBIX_LINUX_RC_NO_DEVICE;
        if (commandSize > kMaxCommandBytes) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const SpiDevice &spi = found->second;
        std::uint8_t command_bytes[kMaxCommandBytes];
        for (std::uint8_t i = 0; i < commandSize; ++i)
            command_bytes[i] = static_cast<std::uint8_t>(command >> (8 * (commandSize - 1 - i)));

        spi_ioc_transfer transfers[2] = {};
        std::uint32_t count = 0;
        if (commandSize > 0) {
            transfers[count].tx_buf = user_pointer(command_bytes);
            transfers[count++].len = commandSize;
        }
        if (numTransfers > 0) {
            transfers[count].tx_buf = user_pointer(writeData);
            transfers[count].rx_buf = user_pointer(readData);
            transfers[count++].len = numTransfers;
        }
        if (count == 0) return OMBIX_RC_OK;

        auto lock = spi.open->lock();
        int fd = spi.open->fd();
        if (fd < 0) return errno == ENOENT ? OMBIX_LINUX_RC_NO_DEVICE : os_error(errno);
        if (int error = prepare(spi, *spi.open, fd)) return os_error(error);
        for (std::uint32_t i = 0; i < count; ++i) {
            transfers[i].speed_hz = spi.open->speed_hz;
            transfers[i].bits_per_word = spi.bits_per_word;
        }
        unsigned long request = count == 1 ? SPI_IOC_MESSAGE(1) : SPI_IOC_MESSAGE(2);
        if (::ioctl(fd, request, transfers) < 0) return os_error(errno);
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
