// Plain I2C over /dev/i2c-N: reads, writes and combined transfers as one
// I2C_RDWR (a repeated start between its messages, one stop at the end), and
// probing the way a bus scanner does.
#include <linux/i2c.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "i2c_bus.h"

using namespace ombix::linux_board;

namespace {

// i2c-dev refuses longer messages.
constexpr std::uint32_t kMaxMessageBytes = 8192;

i2c_msg message(std::uint8_t address, std::uint16_t flags, std::uint8_t *data, std::uint32_t length) {
    i2c_msg m{};
    m.addr = address;
    m.flags = flags;
    m.len = static_cast<std::uint16_t>(length);
    m.buf = data;
    return m;
}

int run_messages(int fd, i2c_msg *messages, std::uint32_t count) {
    if (count == 0) return 0;
    i2c_rdwr_ioctl_data transfer{messages, count};
    return ::ioctl(fd, I2C_RDWR, &transfer) < 0 ? errno : 0;
}

// The bus numbered `i2cNr`, or null.
const I2cAdapter *i2c_bus(const Board &board, std::uint8_t i2cNr) {
    return i2cNr < board.i2c_buses.size() ? &board.i2c_buses[i2cNr] : nullptr;
}

// Addresses where a quick write could change a device's state (write-protect
// latches of memories, some sensors): read a byte instead, as bus scanners do.
bool probe_by_reading(std::uint8_t address) {
    return (address >= 0x30 && address <= 0x37) || (address >= 0x50 && address <= 0x5F);
}

}  // namespace

extern "C" {

int32_t OmbixGetI2cBusCount(int32_t, uint8_t *i2cBusCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (i2cBusCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *i2cBusCount = static_cast<std::uint8_t>(std::min<std::size_t>(board.i2c_buses.size(), 255));
        return OMBIX_RC_OK;
    });
}

// With memoryAddressUsed, writes the memory address (setting the device's
// register pointer); otherwise a quick write, or a one-byte read where that
// is the safe probe or the adapter has no quick command.
int32_t OmbixI2cProbe(int32_t, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, uint8_t memoryAddressUsed) {
    return run_call([&](const Board &board) -> std::int32_t {
        const I2cAdapter *bus = i2c_bus(board, i2cNr);
        if (bus == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        bool read = probe_by_reading(i2cAddress) || (bus->functions & I2C_FUNC_SMBUS_QUICK) == 0;
        return on_address(*bus, i2cAddress, [&](int fd) {
            std::uint8_t byte = memoryAddress;
            i2c_msg m = memoryAddressUsed != 0 ? message(i2cAddress, 0, &byte, 1)
                        : read                 ? message(i2cAddress, I2C_M_RD, &byte, 1)
                                               : message(i2cAddress, 0, &byte, 0);
            return run_messages(fd, &m, 1);
        });
    });
}

int32_t OmbixI2cRead(int32_t, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, uint8_t memoryAddressUsed,
                     uint8_t *data, uint32_t *dataLength) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (dataLength == nullptr || (data == nullptr && *dataLength > 0)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const I2cAdapter *bus = i2c_bus(board, i2cNr);
        if (bus == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        if (*dataLength > kMaxMessageBytes) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        return on_address(*bus, i2cAddress, [&](int fd) {
            std::uint8_t address = memoryAddress;
            i2c_msg messages[2];
            std::uint32_t count = 0;
            if (memoryAddressUsed != 0) messages[count++] = message(i2cAddress, 0, &address, 1);
            if (*dataLength > 0) messages[count++] = message(i2cAddress, I2C_M_RD, data, *dataLength);
            return run_messages(fd, messages, count);
        });
    });
}

// The memory address goes first, the data behind it, in one message.
int32_t OmbixI2cWrite(int32_t, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, const uint8_t *data,
                      uint32_t dataLength) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (data == nullptr && dataLength > 0) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const I2cAdapter *bus = i2c_bus(board, i2cNr);
        if (bus == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        if (dataLength > kMaxMessageBytes - 1) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<std::uint8_t> bytes(dataLength + 1);
        bytes[0] = memoryAddress;
        if (dataLength > 0) std::memcpy(bytes.data() + 1, data, dataLength);
        return on_address(*bus, i2cAddress, [&](int fd) {
            i2c_msg m = message(i2cAddress, 0, bytes.data(), dataLength + 1);
            return run_messages(fd, &m, 1);
        });
    });
}

int32_t OmbixI2cXfer(int32_t, uint8_t i2cNr, uint8_t i2cAddress, const uint8_t *writeData, uint32_t writeLength,
                     uint8_t *readData, uint32_t *readLength) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (readLength == nullptr || (writeData == nullptr && writeLength > 0) ||
            (readData == nullptr && *readLength > 0))
            return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        const I2cAdapter *bus = i2c_bus(board, i2cNr);
        if (bus == nullptr) return OMBIX_LINUX_RC_NO_DEVICE;
        if (writeLength > kMaxMessageBytes || *readLength > kMaxMessageBytes) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        return on_address(*bus, i2cAddress, [&](int fd) {
            i2c_msg messages[2];
            std::uint32_t count = 0;
            // The kernel only reads from a write message's buffer.
            if (writeLength > 0)
                messages[count++] = message(i2cAddress, 0, const_cast<std::uint8_t *>(writeData), writeLength);
            if (*readLength > 0) messages[count++] = message(i2cAddress, I2C_M_RD, readData, *readLength);
            return run_messages(fd, messages, count);
        });
    });
}

}  // extern "C"
