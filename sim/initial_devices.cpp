#include <cstring>

#include "devices.h"

namespace ombix::sim {

Devices initial_devices() {
    Devices d;
    Eeprom board_id;
    board_id.busNr = 0;
    board_id.address = 0x50;
    const char label[] = "OMBIX BOARD REV 3";
    std::memcpy(board_id.memory.data(), label, sizeof label);
    Eeprom scratch;
    scratch.busNr = 1;
    scratch.address = 0x57;
    scratch.memory.fill(0xFF);  // erased
    d.i2c = {board_id, scratch};

    Eeprom spd;  // memory module data on the SMBus
    spd.busNr = 0;
    spd.address = 0x50;
    for (std::size_t i = 0; i < spd.memory.size(); ++i) spd.memory[i] = static_cast<std::uint8_t>(i);
    d.smbus = {spd};

    SpiMemory flash;
    flash.busNr = 0;
    flash.deviceId = 0;
    flash.memory.assign(4096, 0xFF);  // erased
    d.spi = {flash};
    return d;
}

}  // namespace ombix::sim
