/* The size and position of a volume, derived from what the platform reports. */
#ifndef OMBIX_BOOTDISK_MEDIUM_PARAMETERS_H
#define OMBIX_BOOTDISK_MEDIUM_PARAMETERS_H

#include <cstdint>

#include "platform.h"

namespace ombix::bootdisk {

struct MediumParameters {
    uint32_t bytes_per_sector;
    uint64_t medium_size_in_sectors;
    uint32_t hidden_sectors;
};

// Unused, FAT12, FAT16, huge, FAT32, FAT32 with INT 13h extensions, extended INT 13h.
bool is_known_partition_type(uint8_t partition_type);
// A boot sector needs 512 bytes, the sector buffer a power of two, and a
// cluster of one sector must stay within 32768 bytes.
bool is_usable_sector_size(uint32_t bytes_per_sector);

// Both require a usable sector size.
MediumParameters partitioned_medium_parameters(const VolumeGeometry &geometry, const PartitionPlacement &partition);
MediumParameters floppy_medium_parameters(const VolumeGeometry &geometry);

}  // namespace ombix::bootdisk

#endif
