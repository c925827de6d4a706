// The one builder of boot sectors for the tests of the boot drive tool and of
// its loader (tests/loader): a sector as a formatter leaves it, field by field
// through the layout of boot_sector_layout.h, and the sector the tool makes
// of it.
#ifndef OMBIX_TESTS_BOOTDISK_BPB_BUILDER_H
#define OMBIX_TESTS_BOOTDISK_BPB_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ombix::bootdisk {

// The BPB of the sector; the defaults are a freshly formatted 1.44 MB floppy.
struct BpbFields {
    std::string oem_name = "MKFS.FAT";
    uint32_t bytes_per_sector = 512;
    uint32_t sectors_per_cluster = 1;
    uint32_t reserved_sectors = 1;
    uint32_t number_of_fats = 2;
    uint32_t root_directory_entries = 224;
    uint32_t total_sectors_16 = 2880;
    uint32_t media_descriptor = 0xF0;
    uint32_t sectors_per_fat_16 = 9;
    uint32_t sectors_per_track = 18;
    uint32_t number_of_heads = 2;
    uint32_t hidden_sectors = 0;
    uint32_t total_sectors_32 = 0;
    // When set while the 16-bit form is 0, it stands in the four bytes from
    // the drive number on, where the check reads it.
    uint32_t sectors_per_fat_32 = 0;
    uint32_t drive_number = 0x00;
    uint32_t volume_serial_number = 0x12345678;
    std::string volume_label = "BOOTDISK   ";
    std::string file_system_type = "FAT12   ";
};

// A sector of sector_bytes bytes: a jump, the BPB, filler bytes where a
// formatter puts its boot code, and the signature at 0x1FE.
std::vector<unsigned char> fat_boot_sector(const BpbFields &fields = BpbFields{}, size_t sector_bytes = 512);

// The sector that the tool builds from sector for a volume behind
// hidden_sectors sectors.
std::vector<unsigned char> built_boot_sector(std::vector<unsigned char> sector, uint32_t hidden_sectors);

}  // namespace ombix::bootdisk

#endif
