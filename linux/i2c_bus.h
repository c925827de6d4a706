// What the I2C and the SMBus calls share: the adapters in device order, and
// the frame of a transfer to one address of one adapter.
#ifndef OMBIX_LINUX_I2C_BUS_H
#define OMBIX_LINUX_I2C_BUS_H

#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "call.h"

namespace ombix::linux_board {

// An adapter as sysfs shows it, before its functions are asked.
struct I2cAdapterPlace {
    std::string name;
    std::string device;  // /dev/i2c-N below the root
};

// The I2C adapters below the root, ordered by their place under /sys/devices.
std::vector<I2cAdapterPlace> i2c_adapters_in_order(const std::string &root);

// The code for an errno value of a failed transfer: no acknowledge is NO_ANSWER,
// a transfer the adapter cannot do NOT_SUPPORTED.
std::int32_t transfer_error(int errnum);

// The highest 7-bit address.
constexpr std::uint8_t kLastI2cAddress = 0x7F;

// Runs `transfer(fd)` (0, or an errno value) on `address` of the adapter, one
// transfer at a time. An address a kernel driver owns answers ADDRESS_BUSY
// unless the board file forces it for this adapter.
template <typename Transfer>
std::int32_t on_address(const I2cAdapter &adapter, std::uint8_t address, Transfer &&transfer) {
    if (address > kLastI2cAddress) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    auto lock = adapter.open->lock();
    int fd = adapter.open->fd();
    if (fd < 0) return os_error(errno);
    // I2C_RDWR itself ignores drivers' claims: selecting the address is the check. As for any
    // program holding /dev/i2c-N open, the kernel checks at selection only, so an address kept
    // selected is not selected again (one system call less per transfer).
    if (adapter.open->selected_address != address) {
        adapter.open->selected_address = -1;
        unsigned long request = adapter.forced.count(address) != 0 ? I2C_SLAVE_FORCE : I2C_SLAVE;
        if (::ioctl(fd, request, static_cast<unsigned long>(address)) != 0)
            return errno == EBUSY ? OMBIX_LINUX_RC_ADDRESS_BUSY : os_error(errno);
        adapter.open->selected_address = address;
    }
    int error = transfer(fd);
    return error == 0 ? OMBIX_RC_OK : transfer_error(error);
}

}  // namespace ombix::linux_board

#endif
