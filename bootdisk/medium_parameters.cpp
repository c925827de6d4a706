// The size, start and sector size of a volume from its geometry and placement.
#include "medium_parameters.h"

namespace ombix::bootdisk {

bool is_known_partition_type(uint8_t partition_type) {
    switch (partition_type) {
        case 0x00:
        case 0x01:
        case 0x04:
        case 0x06:
        case 0x0B:
        case 0x0C:
        case 0x0E: return true;
        default: return false;
    }
}

bool is_usable_sector_size(uint32_t bytes_per_sector) {
    const bool power_of_two = bytes_per_sector != 0 && (bytes_per_sector & (bytes_per_sector - 1)) == 0;
    return power_of_two && bytes_per_sector >= 512 && bytes_per_sector <= 32768;
}

MediumParameters partitioned_medium_parameters(const VolumeGeometry &geometry, const PartitionPlacement &partition) {
    const uint64_t bytes_per_sector = geometry.bytes_per_sector;
    MediumParameters medium;
    medium.bytes_per_sector = geometry.bytes_per_sector;
    medium.medium_size_in_sectors = static_cast<uint64_t>(partition.partition_length) / bytes_per_sector;
    medium.hidden_sectors = static_cast<uint32_t>(static_cast<uint64_t>(partition.starting_offset) / bytes_per_sector);
    return medium;
}

MediumParameters floppy_medium_parameters(const VolumeGeometry &geometry) {
    MediumParameters medium;
    medium.bytes_per_sector = geometry.bytes_per_sector;
    medium.medium_size_in_sectors =
        static_cast<uint64_t>(geometry.cylinders) * geometry.tracks_per_cylinder * geometry.sectors_per_track;
    medium.hidden_sectors = 0;
    return medium;
}

}  // namespace ombix::bootdisk
