// SMBus through i2c-tools' libi2c on /dev/i2c-N: each call is refused with
// NOT_SUPPORTED where the adapter lacks its function, and blocks hold at most
// the 32 bytes the protocol allows.
#include <linux/i2c.h>

#include <cstring>

// libi2c's header declares its functions without C linkage.
extern "C" {
#include <i2c/smbus.h>
}

#include "i2c_bus.h"

using namespace ombix::linux_board;

namespace {

// libi2c answers a value, or -errno of the failed ioctl.
int errno_of(std::int32_t result) {
    return result >= 0 ? 0 : (result > -4096 ? -result : EIO);
}

// Runs `operation(fd)` (a libi2c call) on the SMBus `smbusNr` when the adapter offers `function`.
template <typename Operation>
std::int32_t smbus_call(std::uint8_t smbusNr, std::uint8_t address, unsigned long function, Operation &&operation) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (smbusNr >= board.smbus_buses.size()) return OMBIX_LINUX_RC_NO_DEVICE;
        const I2cAdapter &bus = board.smbus_buses[smbusNr];
        if ((bus.functions & function) != function) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        return on_address(bus, address, [&](int fd) { return errno_of(operation(fd)); });
    });
}

// A libi2c read's result: a negative errno as it is, else the value stored in `out`.
template <typename T>
std::int32_t stored(std::int32_t value, T *out) {
    if (value >= 0) *out = static_cast<T>(value);
    return value;
}

}  // namespace

extern "C" {

int32_t OmbixGetSmbusCount(int32_t, uint8_t *smbusCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (smbusCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *smbusCount = static_cast<std::uint8_t>(board.smbus_buses.size() < 255 ? board.smbus_buses.size() : 255);
        return OMBIX_RC_OK;
    });
}

// `operation` is the read/write bit: 0 write, 1 read.
int32_t OmbixSmbusQuickCommand(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t operation) {
    if (operation > I2C_SMBUS_READ) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_QUICK,
                      [&](int fd) { return i2c_smbus_write_quick(fd, operation); });
}

int32_t OmbixSmbusSendByte(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t byte) {
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_WRITE_BYTE,
                      [&](int fd) { return i2c_smbus_write_byte(fd, byte); });
}

int32_t OmbixSmbusReceiveByte(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t *byte) {
    if (byte == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_READ_BYTE,
                      [&](int fd) { return stored(i2c_smbus_read_byte(fd), byte); });
}

int32_t OmbixSmbusWriteByte(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t byte) {
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_WRITE_BYTE_DATA,
                      [&](int fd) { return i2c_smbus_write_byte_data(fd, command, byte); });
}

int32_t OmbixSmbusReadByte(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *byte) {
    if (byte == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_READ_BYTE_DATA,
                      [&](int fd) { return stored(i2c_smbus_read_byte_data(fd, command), byte); });
}

// A word travels low byte first; the value is the number it stands for.
int32_t OmbixSmbusWriteWord(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t word) {
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_WRITE_WORD_DATA,
                      [&](int fd) { return i2c_smbus_write_word_data(fd, command, word); });
}

int32_t OmbixSmbusReadWord(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t *word) {
    if (word == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_READ_WORD_DATA,
                      [&](int fd) { return stored(i2c_smbus_read_word_data(fd, command), word); });
}

int32_t OmbixSmbusWriteBlock(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, const uint8_t *data,
                             uint8_t dataLength) {
    if (dataLength > I2C_SMBUS_BLOCK_MAX || (data == nullptr && dataLength > 0)) {
        return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    }
    return smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_WRITE_BLOCK_DATA,
                      [&](int fd) { return i2c_smbus_write_block_data(fd, command, dataLength, data); });
}

// `dataLength` holds the buffer's size on entry and the block's length after;
// a block longer than the buffer answers OUT_OF_RANGE and leaves the buffer as it was.
int32_t OmbixSmbusReadBlock(int32_t, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *data,
                            uint8_t *dataLength) {
    if (dataLength == nullptr || (data == nullptr && *dataLength > 0)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    std::uint8_t block[I2C_SMBUS_BLOCK_MAX];
    std::int32_t length = 0;
    std::int32_t code = smbus_call(smbusNr, smbusAddress, I2C_FUNC_SMBUS_READ_BLOCK_DATA, [&](int fd) {
        length = i2c_smbus_read_block_data(fd, command, block);
        return length;
    });
    if (code != OMBIX_RC_OK) return code;
    if (length > *dataLength) return OMBIX_LINUX_RC_OUT_OF_RANGE;
    if (length > 0) std::memcpy(data, block, static_cast<std::size_t>(length));
    *dataLength = static_cast<std::uint8_t>(length);
    return OMBIX_RC_OK;
}

}  // extern "C"
