// Fuzz target: the boot sector check and the merge of the loader, on
// arbitrary sectors, parameter blocks, sector sizes and medium sizes. It
// touches no file or volume.
//
// Input: byte 0 picks the sector size (512 << (byte % 7): 512 to 32768),
// bytes 1-8 give the medium size in sectors and bytes 9-12 the hidden
// sectors (little-endian), bytes 13-14 the last two bytes of a sector longer
// than 512 bytes; the rest is the sector from its first byte, zero-filled.
//
// Traps when a sector that passes the check does not describe a FAT12/FAT16
// volume that fits the medium, when the merge changes a byte it must keep,
// and when the merge changes the check's verdict. Every sector lives in a
// block of exactly its size, so that AddressSanitizer sees any read past it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "boot_sector.h"
#include "boot_template.h"

namespace {

constexpr size_t kHeaderSize = 15;

uint64_t littleEndian(const unsigned char *at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool signatureAt(const std::vector<unsigned char> &sector, size_t offset) {
    return sector[offset] == 0x55 && sector[offset + 1] == 0xAA;
}

// What a sector that passes the check promises, worked out in 64 bits so
// that no wrap-round can hide a layout that does not fit.
void requireSoundVolume(const std::vector<unsigned char> &sector, uint64_t medium) {
    const uint64_t bytesPerSector = sector.size();
    const uint64_t sectorsPerCluster = sector[0x00D];
    const uint64_t reserved = littleEndian(&sector[0x00E], 2);
    const uint64_t fatCount = sector[0x010];
    const uint64_t rootEntries = littleEndian(&sector[0x011], 2);
    const uint64_t total16 = littleEndian(&sector[0x013], 2);
    const uint64_t fat16 = littleEndian(&sector[0x016], 2);
    const uint64_t total = total16 != 0 ? total16 : littleEndian(&sector[0x020], 4);
    const uint64_t fatSize = fat16 != 0 ? fat16 : littleEndian(&sector[0x024], 4);

    require(signatureAt(sector, 0x1FE) || signatureAt(sector, sector.size() - 2));
    require(littleEndian(&sector[0x00B], 2) == bytesPerSector);
    require(sectorsPerCluster >= 1 && sectorsPerCluster <= 128 &&
            (sectorsPerCluster & (sectorsPerCluster - 1)) == 0);
    require(sectorsPerCluster * bytesPerSector <= 32768);
    require(fatCount == 1 || fatCount == 2);
    require(reserved >= 1 && rootEntries >= 1);
    require(total <= medium);
    const uint64_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    const uint64_t overhead = reserved + fatCount * fatSize + rootSectors;
    // The layout may fill the volume exactly, leaving no data area.
    require(overhead <= total);
    const uint64_t clusters = (total - overhead) / sectorsPerCluster;
    require(clusters < 65525);
    const uint64_t entryNibbles = clusters < 4085 ? 3 : 4;
    require(fatSize * 2 * bytesPerSector >= entryNibbles * (clusters + 2));
}

bool mergeWrites(size_t offset) {
    return offset < 0x003 || (offset >= 0x01C && offset < 0x020) || (offset >= 0x03E && offset < 0x1FE);
}

void requireMergedFrom(const std::vector<unsigned char> &built, const std::vector<unsigned char> &given,
                       uint32_t hiddenSectors) {
    for (size_t i = 0; i < built.size(); ++i) {
        if (i >= 0x01C && i < 0x020)
            require(built[i] == static_cast<unsigned char>(hiddenSectors >> (8 * (i - 0x01C))));
        else if (mergeWrites(i))
            require(built[i] == BootLoaderTemplate[i]);
        else
            require(built[i] == given[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < kHeaderSize)
        return 0;
    const uint32_t bytesPerSector = 512u << (data[0] % 7);
    const uint64_t medium = littleEndian(data + 1, 8);
    const uint32_t hiddenSectors = static_cast<uint32_t>(littleEndian(data + 9, 4));

    std::vector<unsigned char> sector(bytesPerSector, 0);
    const size_t body = size - kHeaderSize;
    std::memcpy(sector.data(), data + kHeaderSize, body < bytesPerSector ? body : bytesPerSector);
    if (bytesPerSector > 512) {
        sector[bytesPerSector - 2] = data[13];
        sector[bytesPerSector - 1] = data[14];
    }

    const uint32_t faults = fatBootSectorFaults(sector.data(), bytesPerSector, medium);
    require((faults == 0) == (CheckFatBootSector(sector.data(), bytesPerSector, medium) != 0));
    if (faults == 0)
        requireSoundVolume(sector, medium);

    std::vector<unsigned char> built(sector);
    BuildBootSector(built.data(), hiddenSectors);
    requireMergedFrom(built, sector, hiddenSectors);
    require(fatBootSectorFaults(built.data(), bytesPerSector, medium) == faults);
    return 0;
}
