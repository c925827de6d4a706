// A bus's character device, kept open for the life of a board snapshot and
// used by one transfer at a time: selecting a device address and the transfer
// that follows must not interleave with another thread's.
#ifndef OMBIX_LINUX_BUS_DEVICE_H
#define OMBIX_LINUX_BUS_DEVICE_H

#include <cstdint>
#include <mutex>
#include <string>

namespace ombix::linux_board {

class BusDevice {
public:
    explicit BusDevice(std::string path) : path_(std::move(path)) {}
    explicit BusDevice(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    ~BusDevice();
    BusDevice(const BusDevice &) = delete;
    BusDevice &operator=(const BusDevice &) = delete;

    // Held while a transfer runs.
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }
    // The open descriptor (opened read-write at first use), or -1 with errno set; call with the lock held.
    int fd();

    // What the user of the device set up on it; under the lock. SPI: mode sent, speed chosen.
    bool prepared = false;
    std::uint32_t speed_hz = 0;
    // I2C: the address the descriptor has selected, -1 for none.
    int selected_address = -1;

private:
    std::string path_;
    int fd_ = -1;
    std::mutex mutex_;
};

}  // namespace ombix::linux_board

#endif
