// The simulated local API: bus and storage transfers, served by the devices
// of devices.h and the user storage areas of the board.
#include <algorithm>
#include <cstring>

#include "ombix_api.h"
#include "sim_call.h"

using namespace ombix::sim;

namespace {

// The call log keeps at most this many bytes of a buffer, so long runs of
// large transfers do not fill memory; the argument still holds the full length.
constexpr std::int64_t kLoggedBytes = 4096;

Argument logged_bytes(const std::uint8_t *data, std::int64_t length) {
    Argument argument = bytes_argument(data, std::min(length, kLoggedBytes));
    argument.integer = length;
    return argument;
}

// Read buffers are noted as pointers, not as integer outputs: the output
// pattern of fill_outputs must not land in a buffer of any size.
const std::uint8_t *buffer(const std::uint8_t *data) {
    return data;
}

Eeprom *eeprom_at(std::vector<Eeprom> &devices, std::uint8_t busNr, std::uint8_t address) {
    for (Eeprom &device : devices) {
        if (device.busNr == busNr && device.address == address) return &device;
    }
    return nullptr;
}

SpiMemory *spi_at(std::uint8_t spiNr, std::uint16_t deviceId) {
    for (SpiMemory &device : board().devices.spi) {
        if (device.busNr == spiNr && device.deviceId == deviceId) return &device;
    }
    return nullptr;
}

void write_on(Eeprom &device, const std::uint8_t *data, std::uint64_t length) {
    for (std::uint64_t i = 0; i < length; ++i) device.memory[device.current++] = data[i];
}

void read_from(Eeprom &device, std::uint8_t *data, std::uint64_t length) {
    for (std::uint64_t i = 0; i < length; ++i) data[i] = device.memory[device.current++];
}

// The storage area storageNr, or null.
std::vector<std::uint8_t> *storage_at(std::int32_t storageNr) {
    auto &areas = board().storage;
    return storageNr >= 0 && static_cast<std::size_t>(storageNr) < areas.size()
               ? &areas[static_cast<std::size_t>(storageNr)]
               : nullptr;
}

bool within(const std::vector<std::uint8_t> &area, std::int32_t offset, std::int32_t length) {
    return offset >= 0 && length >= 0 &&
           static_cast<std::uint64_t>(offset) + static_cast<std::uint64_t>(length) <= area.size();
}

}  // namespace

extern "C" {

int32_t OmbixStorageRead(int32_t handle, int32_t storageNr, int32_t offset, uint8_t *data, int32_t dataLength) {
    SimCall call("OmbixStorageRead", handle, storageNr, offset, buffer(data), dataLength);
    std::vector<std::uint8_t> *area = storage_at(storageNr);
    if (area == nullptr) return call.finish(kNoDevice);
    if (!within(*area, offset, dataLength) || (data == nullptr && dataLength > 0)) return call.finish(kInvalidValue);
    if (dataLength > 0) std::memcpy(data, area->data() + offset, static_cast<std::size_t>(dataLength));
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixStorageWrite(int32_t handle, int32_t storageNr, int32_t offset, const uint8_t *data, int32_t dataLength) {
    SimCall call("OmbixStorageWrite", handle, storageNr, offset, data, dataLength);
    call.add(logged_bytes(data, dataLength));
    std::vector<std::uint8_t> *area = storage_at(storageNr);
    if (area == nullptr) return call.finish(kNoDevice);
    if (!within(*area, offset, dataLength) || (data == nullptr && dataLength > 0)) return call.finish(kInvalidValue);
    if (dataLength > 0) std::memcpy(area->data() + offset, data, static_cast<std::size_t>(dataLength));
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixI2cProbe(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress,
                      uint8_t memoryAddressUsed) {
    SimCall call("OmbixI2cProbe", handle, i2cNr, i2cAddress, memoryAddress, memoryAddressUsed);
    Eeprom *device = eeprom_at(board().devices.i2c, i2cNr, i2cAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    if (memoryAddressUsed != 0) device->current = memoryAddress;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixI2cRead(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress,
                     uint8_t memoryAddressUsed, uint8_t *data, uint32_t *dataLength) {
    SimCall call("OmbixI2cRead", handle, i2cNr, i2cAddress, memoryAddress, memoryAddressUsed, buffer(data),
                 *dataLength);
    Eeprom *device = eeprom_at(board().devices.i2c, i2cNr, i2cAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    if (data == nullptr && *dataLength > 0) return call.finish(kInvalidValue);
    if (memoryAddressUsed != 0) device->current = memoryAddress;
    read_from(*device, data, *dataLength);
    *dataLength += board().devices.extraReportedBytes;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixI2cWrite(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, const uint8_t *data,
                      uint32_t dataLength) {
    SimCall call("OmbixI2cWrite", handle, i2cNr, i2cAddress, memoryAddress, data, dataLength);
    call.add(logged_bytes(data, dataLength));
    Eeprom *device = eeprom_at(board().devices.i2c, i2cNr, i2cAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    if (data == nullptr && dataLength > 0) return call.finish(kInvalidValue);
    device->current = memoryAddress;
    write_on(*device, data, dataLength);
    return call.finish(OMBIX_RC_OK);
}

// The first byte written sets the memory address, the rest is written from
// there; then the read goes on from the current address.
int32_t OmbixI2cXfer(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, const uint8_t *writeData, uint32_t writeLength,
                     uint8_t *readData, uint32_t *readLength) {
    SimCall call("OmbixI2cXfer", handle, i2cNr, i2cAddress, writeData, writeLength, buffer(readData), *readLength);
    call.add(logged_bytes(writeData, writeLength));
    Eeprom *device = eeprom_at(board().devices.i2c, i2cNr, i2cAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    if ((writeData == nullptr && writeLength > 0) || (readData == nullptr && *readLength > 0)) {
        return call.finish(kInvalidValue);
    }
    if (writeLength > 0) {
        device->current = writeData[0];
        write_on(*device, writeData + 1, writeLength - 1);
    }
    read_from(*device, readData, *readLength);
    *readLength += board().devices.extraReportedBytes;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSmbusQuickCommand(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t operation) {
    SimCall call("OmbixSmbusQuickCommand", handle, smbusNr, smbusAddress, operation);
    if (eeprom_at(board().devices.smbus, smbusNr, smbusAddress) == nullptr) return call.finish(kNoDevice);
    return call.finish(operation <= 1 ? OMBIX_RC_OK : kInvalidValue);  // the read/write bit
}

int32_t OmbixSmbusSendByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t byte) {
    SimCall call("OmbixSmbusSendByte", handle, smbusNr, smbusAddress, byte);
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    device->current = byte;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSmbusReceiveByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t *byte) {
    SimCall call("OmbixSmbusReceiveByte", handle, smbusNr, smbusAddress, byte);
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    *byte = device->memory[device->current++];
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSmbusWriteByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t byte) {
    SimCall call("OmbixSmbusWriteByte", handle, smbusNr, smbusAddress, command, byte);
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    device->memory[command] = byte;
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSmbusReadByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *byte) {
    SimCall call("OmbixSmbusReadByte", handle, smbusNr, smbusAddress, command, byte);
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    *byte = device->memory[command];
    return call.finish(OMBIX_RC_OK);
}

// Words are little-endian: the low byte at the command, the high byte after it.
int32_t OmbixSmbusWriteWord(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t word) {
    SimCall call("OmbixSmbusWriteWord", handle, smbusNr, smbusAddress, command, word);
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    device->memory[command] = static_cast<std::uint8_t>(word);
    device->memory[static_cast<std::uint8_t>(command + 1)] = static_cast<std::uint8_t>(word >> 8);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSmbusReadWord(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t *word) {
    SimCall call("OmbixSmbusReadWord", handle, smbusNr, smbusAddress, command, word);
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    *word = static_cast<std::uint16_t>(device->memory[command] | device->memory[static_cast<std::uint8_t>(command + 1)]
                                                                     << 8);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSmbusWriteBlock(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command,
                             const uint8_t *data, uint8_t dataLength) {
    SimCall call("OmbixSmbusWriteBlock", handle, smbusNr, smbusAddress, command, data, dataLength);
    call.add(logged_bytes(data, dataLength));
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    if (data == nullptr && dataLength > 0) return call.finish(kInvalidValue);
    device->current = command;
    write_on(*device, data, dataLength);
    device->blockLengths[command] = dataLength;
    return call.finish(OMBIX_RC_OK);
}

// Returns the block last written at the command; a buffer too small for it is refused.
int32_t OmbixSmbusReadBlock(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *data,
                            uint8_t *dataLength) {
    SimCall call("OmbixSmbusReadBlock", handle, smbusNr, smbusAddress, command, buffer(data), *dataLength);
    Eeprom *device = eeprom_at(board().devices.smbus, smbusNr, smbusAddress);
    if (device == nullptr) return call.finish(kNoDevice);
    std::uint8_t length = device->blockLengths[command];
    if (length > *dataLength || (data == nullptr && length > 0)) return call.finish(kInvalidValue);
    device->current = command;
    read_from(*device, data, length);
    *dataLength = static_cast<std::uint8_t>(length + board().devices.extraReportedBytes);
    return call.finish(OMBIX_RC_OK);
}

int32_t OmbixSpiXfer(int32_t handle, uint8_t spiNr, uint16_t deviceId, uint32_t command, uint8_t commandSize,
                     uint32_t numTransfers, const uint8_t *writeData, uint8_t *readData) {
    SimCall call("OmbixSpiXfer", handle, spiNr, deviceId, command, commandSize, numTransfers, writeData,
                 buffer(readData));
    call.add(logged_bytes(writeData, numTransfers));
    SpiMemory *device = spi_at(spiNr, deviceId);
    if (device == nullptr) return call.finish(kNoDevice);
    std::uint8_t opcode = static_cast<std::uint8_t>(command >> 24);
    std::size_t start = command & 0xFFFFFF;
    std::vector<std::uint8_t> &memory = device->memory;
    if (commandSize != SpiMemory::kCommandSize) return call.finish(kInvalidValue);
    if (opcode == SpiMemory::kWrite) {
        if (writeData == nullptr && numTransfers > 0) return call.finish(kInvalidValue);
        for (std::uint32_t i = 0; i < numTransfers; ++i) {
            memory[(start + i) % memory.size()] = writeData[i];
            if (readData != nullptr) readData[i] = 0xFF;  // the line idles high while writing
        }
    } else if (opcode == SpiMemory::kRead) {
        for (std::uint32_t i = 0; readData != nullptr && i < numTransfers; ++i)
            readData[i] = memory[(start + i) % memory.size()];
    } else {
        return call.finish(kInvalidValue);
    }
    return call.finish(OMBIX_RC_OK);
}
}
