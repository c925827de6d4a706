#include "fat_volume.h"

#include <algorithm>
#include <cstring>

#include "boot_template.h"

namespace {

void Put16(std::vector<uint8_t> &bytes, size_t offset, uint32_t value) {
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t> &bytes, size_t offset, uint32_t value) {
    Put16(bytes, offset, value & 0xFFFF);
    Put16(bytes, offset + 2, value >> 16);
}

}  // namespace

unsigned FatVolume::EntrySize() const {
    return oemName.compare(0, 5, "VXEXT") == 0 ? 64 : 32;
}

uint32_t FatVolume::RootDirectoryStart() const {
    return hiddenSectors + reservedSectors + numberOfFats * static_cast<uint32_t>(sectorsPerFat);
}

uint32_t FatVolume::RootDirectorySectors() const {
    return (rootEntries * EntrySize() + bytesPerSector - 1) / bytesPerSector;
}

uint32_t FatVolume::ClusterSector(uint16_t cluster) const {
    return RootDirectoryStart() + RootDirectorySectors() + (cluster - 2u) * sectorsPerCluster;
}

void FatVolume::WriteTo(SimDisk &disk) const {
    std::vector<uint8_t> boot(bytesPerSector, 0);
    std::memcpy(boot.data(), BootLoaderTemplate, 3);
    std::memcpy(boot.data() + 0x3E, BootLoaderTemplate + 0x3E, 0x1FE - 0x3E);
    std::memcpy(boot.data() + 3, oemName.data(), std::min<size_t>(8, oemName.size()));
    Put16(boot, 0x0B, bytesPerSector);
    boot[0x0D] = sectorsPerCluster;
    Put16(boot, 0x0E, reservedSectors);
    boot[0x10] = numberOfFats;
    Put16(boot, 0x11, rootEntries);
    Put16(boot, 0x13, totalSectors < 0x10000 ? totalSectors : 0);
    boot[0x15] = 0xF0;
    Put16(boot, 0x16, sectorsPerFat);
    Put16(boot, 0x18, sectorsPerTrack);
    Put16(boot, 0x1A, numberOfHeads);
    Put32(boot, 0x1C, hiddenSectors);
    Put32(boot, 0x20, totalSectors < 0x10000 ? 0 : totalSectors);
    boot[0x24] = 0x55;  // a drive number the loader must replace
    boot[0x26] = 0x29;
    std::memcpy(boot.data() + 0x36, "FAT12   ", 8);
    boot[0x1E0] = messageSwitch;
    boot[0x1FE] = 0x55;
    boot[0x1FF] = 0xAA;
    disk.Write(hiddenSectors, boot);

    std::vector<uint8_t> root(RootDirectorySectors() * bytesPerSector, 0);
    unsigned size = EntrySize();
    for (const Entry &entry : entries) {
        size_t at = entry.index * size;
        std::memcpy(root.data() + at, entry.name.data(), std::min<size_t>(11, entry.name.size()));
        if (size == 64) {
            // The short layout's fields hold decoys: the loader must not use them.
            Put16(root, at + 0x1A, 0x0777);
            Put32(root, at + 0x1C, 0x00077777);
            Put16(root, at + 0x3A, entry.cluster);
            Put32(root, at + 0x3C, entry.size);
        } else {
            Put16(root, at + 0x1A, entry.cluster);
            Put32(root, at + 0x1C, entry.size);
        }
    }
    disk.WriteBytes(RootDirectoryStart(), root);
}

std::vector<uint8_t> PatternFile(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7) ^ (i >> 9) ^ seed);
    return bytes;
}
