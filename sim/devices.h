// Devices on the simulated buses (I2C, SMBus, SPI) that make transfers observable.
#ifndef OMBIX_SIM_DEVICES_H
#define OMBIX_SIM_DEVICES_H

#include <array>
#include <cstdint>
#include <vector>

namespace ombix::sim {

// An EEPROM-like memory of 256 bytes behind an 8-bit memory address. Reads
// and writes go on from a current address that they advance, wrapping at the
// end. On an SMBus the command byte is the memory address, and a block write
// also notes its length so that a block read at the same command returns it.
struct Eeprom {
    std::uint8_t busNr = 0;
    std::uint8_t address = 0;
    std::array<std::uint8_t, 256> memory{};
    std::uint8_t current = 0;
    std::array<std::uint8_t, 256> blockLengths{};
};

// An SPI memory. The 4-byte command holds an opcode in its top byte (0x02
// write, 0x03 read) and the start address in the other three; transfers wrap
// at the end of the memory.
struct SpiMemory {
    static constexpr std::uint8_t kWrite = 0x02;
    static constexpr std::uint8_t kRead = 0x03;
    static constexpr std::uint8_t kCommandSize = 4;
    std::uint8_t busNr = 0;
    std::uint16_t deviceId = 0;
    std::vector<std::uint8_t> memory;
};

struct Devices {
    std::vector<Eeprom> i2c;
    std::vector<Eeprom> smbus;
    std::vector<SpiMemory> spi;
    // A faulty bus adapter, for tests: the read calls report this many bytes
    // more than they delivered.
    std::uint32_t extraReportedBytes = 0;
};

// The devices as they are after power-on.
Devices initial_devices();

}  // namespace ombix::sim

#endif
