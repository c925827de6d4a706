// Boot sectors for the tests, built field by field.
#pragma once

#include <cstdint>
#include <vector>

struct FatLayout {
    uint32_t bytesPerSector = 512;
    uint32_t sectorsPerCluster = 1;
    uint32_t reservedSectors = 1;
    uint32_t fatCount = 2;
    uint32_t rootEntries = 224;
    uint32_t totalSectors16 = 2880;
    uint32_t fatSize16 = 9;
    uint32_t totalSectors32 = 0;
    uint32_t fatSize32 = 0;  // at 0x024, read when the 16-bit FAT size is 0
};

inline void putLe(std::vector<unsigned char> &sector, size_t offset, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        sector[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A freshly formatted volume's sector: OEM name, BPB, label, boot code filler
// and the signature at 0x1FE. The default layout is a 1.44 MB floppy.
inline std::vector<unsigned char> fatBootSector(const FatLayout &layout = FatLayout{},
                                                size_t sectorBytes = 512) {
    std::vector<unsigned char> sector(sectorBytes, 0xF6);
    sector[0] = 0xEB; sector[1] = 0x58; sector[2] = 0x90;
    const char oem[] = "MKFS.FAT";
    for (size_t i = 0; i < 8; ++i) sector[3 + i] = static_cast<unsigned char>(oem[i]);
    putLe(sector, 0x00B, layout.bytesPerSector, 2);
    sector[0x00D] = static_cast<unsigned char>(layout.sectorsPerCluster);
    putLe(sector, 0x00E, layout.reservedSectors, 2);
    sector[0x010] = static_cast<unsigned char>(layout.fatCount);
    putLe(sector, 0x011, layout.rootEntries, 2);
    putLe(sector, 0x013, layout.totalSectors16, 2);
    sector[0x015] = 0xF0;
    putLe(sector, 0x016, layout.fatSize16, 2);
    putLe(sector, 0x018, 18, 2);
    putLe(sector, 0x01A, 2, 2);
    putLe(sector, 0x01C, 0, 4);
    putLe(sector, 0x020, layout.totalSectors32, 4);
    putLe(sector, 0x024, layout.fatSize32, 4);
    if (layout.fatSize16 != 0 || layout.fatSize32 == 0) {
        sector[0x024] = 0x00; sector[0x025] = 0x00; sector[0x026] = 0x29;
        putLe(sector, 0x027, 0x12345678, 4);
    }
    const char label[] = "BOOTDISK   FAT12   ";
    for (size_t i = 0; i < 19; ++i) sector[0x02B + i] = static_cast<unsigned char>(label[i]);
    sector[0x1FE] = 0x55;
    sector[0x1FF] = 0xAA;
    return sector;
}
