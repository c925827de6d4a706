// The boot sector check, condition by condition, and the merge of the loader.
#include "boot_sector.h"

#include <cstring>

#include "boot_sector_layout.h"
#include "boot_template.h"

namespace ombix::bootdisk {

namespace {

bool has_signature(const unsigned char *at) {
    return at[0] == 0x55 && at[1] == 0xAA;
}

void copy_from_template(unsigned char *sector, SectorField field) {
    std::memcpy(sector + field.offset, BootLoaderTemplate + field.offset, field.size);
}

}  // namespace

uint32_t fat_boot_sector_faults(const unsigned char *sector, uint32_t bytes_per_sector,
                                uint64_t medium_size_in_sectors) {
    const uint32_t field_bytes_per_sector = read_field(sector, bpb::kBytesPerSector);
    const uint32_t sectors_per_cluster = read_field(sector, bpb::kSectorsPerCluster);
    const uint32_t reserved_sectors = read_field(sector, bpb::kReservedSectors);
    const uint32_t fat_count = read_field(sector, bpb::kNumberOfFats);
    const uint32_t root_entries = read_field(sector, bpb::kRootDirectoryEntries);
    const uint32_t fat_size_16 = read_field(sector, bpb::kSectorsPerFat16);
    const uint32_t total_sectors_16 = read_field(sector, bpb::kTotalSectors16);

    const uint32_t root_sectors = (root_entries * 32 + bytes_per_sector - 1) / bytes_per_sector;
    const uint32_t fat_size = fat_size_16 != 0 ? fat_size_16 : read_field(sector, bpb::kSectorsPerFat32);
    const uint32_t total_sectors = total_sectors_16 != 0 ? total_sectors_16 : read_field(sector, bpb::kTotalSectors32);
    // Without wrap-round, so that a huge FAT size cannot make an overfull
    // layout look as if it fitted.
    const uint64_t overhead =
        static_cast<uint64_t>(reserved_sectors) + static_cast<uint64_t>(fat_count) * fat_size + root_sectors;
    const bool layout_fits = overhead >= 1 && overhead <= total_sectors;
    const uint64_t data_sectors = layout_fits ? total_sectors - overhead : 0;
    const uint64_t clusters = sectors_per_cluster != 0 ? data_sectors / sectors_per_cluster : 0;
    const uint64_t entry_nibbles = clusters < 4085 ? 3 : 4;
    const uint64_t fat_sectors_needed =
        (entry_nibbles * (clusters + 2) + 2ull * bytes_per_sector - 1) / (2ull * bytes_per_sector);

    uint32_t faults = 0;
    if (!has_signature(sector + kBootSignature.offset) &&
        !has_signature(sector + bytes_per_sector - kBootSignature.size))
        faults |= kFaultSignature;
    if (clusters >= 65525) faults |= kFaultTooManyClusters;
    if (field_bytes_per_sector != bytes_per_sector) faults |= kFaultSectorSize;
    if (root_sectors == 0) faults |= kFaultNoRootDirectory;
    if (fat_count != 1 && fat_count != 2) faults |= kFaultFatCount;
    if (total_sectors > medium_size_in_sectors) faults |= kFaultBeyondMedium;
    if (static_cast<uint64_t>(sectors_per_cluster) * bytes_per_sector > 32768) faults |= kFaultClusterBytes;
    if (sectors_per_cluster == 0 || sectors_per_cluster > 128 || (sectors_per_cluster & (sectors_per_cluster - 1)) != 0)
        faults |= kFaultClusterSectors;
    if (!layout_fits) faults |= kFaultLayout;
    if (reserved_sectors == 0) faults |= kFaultNoReserved;
    if (fat_size < fat_sectors_needed) faults |= kFaultFatTooSmall;
    return faults;
}

bool CheckFatBootSector(const unsigned char *sector, uint32_t bytes_per_sector, uint64_t medium_size_in_sectors) {
    return fat_boot_sector_faults(sector, bytes_per_sector, medium_size_in_sectors) == 0;
}

void BuildBootSector(unsigned char *sector, uint32_t hidden_sectors) {
    copy_from_template(sector, kJump);
    copy_from_template(sector, kLoader);
    write_field(sector, bpb::kHiddenSectors, hidden_sectors);
}

}  // namespace ombix::bootdisk
