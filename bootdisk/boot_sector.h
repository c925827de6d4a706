/* The FAT12/FAT16 boot sector: the check that decides whether a drive's sector
 * may carry the loader, and the merge of the loader into it. */
#ifndef OMBIX_BOOTDISK_BOOT_SECTOR_H
#define OMBIX_BOOTDISK_BOOT_SECTOR_H

#include <cstdint>

namespace ombix::bootdisk {

// The conditions of the check, one bit each: bit (n - 1) for condition n.
constexpr uint32_t kFaultSignature = 1u << 0;        // no 0x55 0xAA at 0x1FE nor at the sector's end
constexpr uint32_t kFaultTooManyClusters = 1u << 1;  // 65525 clusters or more
constexpr uint32_t kFaultSectorSize = 1u << 2;       // bytes-per-sector field differs from the medium
constexpr uint32_t kFaultNoRootDirectory = 1u << 3;  // no root directory entries (as on FAT32)
constexpr uint32_t kFaultFatCount = 1u << 4;         // neither 1 nor 2 FATs
constexpr uint32_t kFaultBeyondMedium = 1u << 5;     // more sectors than the medium holds
constexpr uint32_t kFaultClusterBytes = 1u << 6;     // clusters above 32768 bytes
constexpr uint32_t kFaultClusterSectors = 1u << 7;   // sectors per cluster not a power of two up to 128
constexpr uint32_t kFaultLayout = 1u << 8;           // reserved sectors, FATs and root leave no data area
constexpr uint32_t kFaultNoReserved = 1u << 9;       // no reserved sector for the boot sector itself
constexpr uint32_t kFaultFatTooSmall = 1u << 10;     // a FAT cannot hold an entry per cluster

// The faults of a sector of bytes_per_sector bytes (at least 512) on a medium
// of medium_size_in_sectors sectors; 0 when it is a usable FAT12/FAT16 sector.
uint32_t fat_boot_sector_faults(const unsigned char *sector, uint32_t bytes_per_sector,
                                uint64_t medium_size_in_sectors);

// True when the sector is a usable FAT12/FAT16 boot sector.
bool CheckFatBootSector(const unsigned char *sector, uint32_t bytes_per_sector, uint64_t medium_size_in_sectors);

// Puts the loader's jump, code and texts into the sector and records the
// hidden sectors; every disk parameter and the signature stay.
void BuildBootSector(unsigned char *sector, uint32_t hidden_sectors);

}  // namespace ombix::bootdisk

#endif
