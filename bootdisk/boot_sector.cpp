#include "boot_sector.h"

#include <cstring>

#include "boot_template.h"

namespace {

uint32_t le16(const unsigned char *at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8;
}

uint32_t le32(const unsigned char *at) {
    return le16(at) | le16(at + 2) << 16;
}

bool hasSignature(const unsigned char *at) {
    return at[0] == 0x55 && at[1] == 0xAA;
}

constexpr size_t kJumpEnd = 0x003;
constexpr size_t kHiddenSectors = 0x01C;
constexpr size_t kLoaderStart = 0x03E;
constexpr size_t kLoaderEnd = 0x1FE;

}  // namespace

uint32_t fatBootSectorFaults(const unsigned char *sector, uint32_t bytesPerSector,
                             uint64_t mediumSizeInSectors) {
    const uint32_t fieldBytesPerSector = le16(sector + 0x00B);
    const uint32_t sectorsPerCluster = sector[0x00D];
    const uint32_t reservedSectors = le16(sector + 0x00E);
    const uint32_t fatCount = sector[0x010];
    const uint32_t rootEntries = le16(sector + 0x011);
    const uint32_t fatSize16 = le16(sector + 0x016);
    const uint32_t totalSectors16 = le16(sector + 0x013);

    const uint32_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    const uint32_t fatSize = fatSize16 != 0 ? fatSize16 : le32(sector + 0x024);
    const uint32_t totalSectors = totalSectors16 != 0 ? totalSectors16 : le32(sector + 0x020);
    // Without wrap-round, so that a huge FAT size cannot make an overfull
    // layout look as if it fitted.
    const uint64_t overhead = static_cast<uint64_t>(reservedSectors) +
                              static_cast<uint64_t>(fatCount) * fatSize + rootSectors;
    const bool layoutFits = overhead >= 1 && overhead <= totalSectors;
    const uint64_t dataSectors = layoutFits ? totalSectors - overhead : 0;
    const uint64_t clusters = sectorsPerCluster != 0 ? dataSectors / sectorsPerCluster : 0;
    const uint64_t entryNibbles = clusters < 4085 ? 3 : 4;
    const uint64_t fatSectorsNeeded =
        (entryNibbles * (clusters + 2) + 2ull * bytesPerSector - 1) / (2ull * bytesPerSector);

    uint32_t faults = 0;
    if (!hasSignature(sector + 0x1FE) && !hasSignature(sector + bytesPerSector - 2))
        faults |= FAT_FAULT_SIGNATURE;
    if (clusters >= 65525)
        faults |= FAT_FAULT_TOO_MANY_CLUSTERS;
    if (fieldBytesPerSector != bytesPerSector)
        faults |= FAT_FAULT_SECTOR_SIZE;
    if (rootSectors == 0)
        faults |= FAT_FAULT_NO_ROOT_DIRECTORY;
    if (fatCount != 1 && fatCount != 2)
        faults |= FAT_FAULT_FAT_COUNT;
    if (totalSectors > mediumSizeInSectors)
        faults |= FAT_FAULT_BEYOND_MEDIUM;
    if (static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector > 32768)
        faults |= FAT_FAULT_CLUSTER_BYTES;
    if (sectorsPerCluster == 0 || sectorsPerCluster > 128 ||
        (sectorsPerCluster & (sectorsPerCluster - 1)) != 0)
        faults |= FAT_FAULT_CLUSTER_SECTORS;
    if (!layoutFits)
        faults |= FAT_FAULT_LAYOUT;
    if (reservedSectors == 0)
        faults |= FAT_FAULT_NO_RESERVED;
    if (fatSize < fatSectorsNeeded)
        faults |= FAT_FAULT_FAT_TOO_SMALL;
    return faults;
}

int CheckFatBootSector(const unsigned char *sector, uint32_t bytesPerSector,
                       uint64_t mediumSizeInSectors) {
    return fatBootSectorFaults(sector, bytesPerSector, mediumSizeInSectors) == 0;
}

void BuildBootSector(unsigned char *sector, uint32_t hiddenSectors) {
    std::memcpy(sector, BootLoaderTemplate, kJumpEnd);
    std::memcpy(sector + kLoaderStart, BootLoaderTemplate + kLoaderStart, kLoaderEnd - kLoaderStart);
    for (size_t i = 0; i < 4; ++i)
        sector[kHiddenSectors + i] = static_cast<unsigned char>(hiddenSectors >> (8 * i));
}
