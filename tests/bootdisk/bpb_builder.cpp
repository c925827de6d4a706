// Boot sectors for the tests, built field by field.
#include "bpb_builder.h"

#include <algorithm>

#include "boot_sector.h"
#include "boot_sector_layout.h"

namespace ombix::bootdisk {

namespace {

constexpr unsigned char kFiller = 0xF6;
constexpr unsigned char kFormatterJump[] = {0xEB, 0x58, 0x90};

// A text field, blank-padded or cut to its size.
void write_text(std::vector<unsigned char> &sector, SectorField field, const std::string &text) {
    std::string padded = text;
    padded.resize(field.size, ' ');
    std::copy(padded.begin(), padded.end(), sector.begin() + static_cast<std::ptrdiff_t>(field.offset));
}

}  // namespace

std::vector<unsigned char> fat_boot_sector(const BpbFields &fields, size_t sector_bytes) {
    std::vector<unsigned char> sector(sector_bytes, kFiller);
    unsigned char *at = sector.data();
    std::copy(std::begin(kFormatterJump), std::end(kFormatterJump), sector.begin());
    write_text(sector, bpb::kOemName, fields.oem_name);
    write_field(at, bpb::kBytesPerSector, fields.bytes_per_sector);
    write_field(at, bpb::kSectorsPerCluster, fields.sectors_per_cluster);
    write_field(at, bpb::kReservedSectors, fields.reserved_sectors);
    write_field(at, bpb::kNumberOfFats, fields.number_of_fats);
    write_field(at, bpb::kRootDirectoryEntries, fields.root_directory_entries);
    write_field(at, bpb::kTotalSectors16, fields.total_sectors_16);
    write_field(at, bpb::kMediaDescriptor, fields.media_descriptor);
    write_field(at, bpb::kSectorsPerFat16, fields.sectors_per_fat_16);
    write_field(at, bpb::kSectorsPerTrack, fields.sectors_per_track);
    write_field(at, bpb::kNumberOfHeads, fields.number_of_heads);
    write_field(at, bpb::kHiddenSectors, fields.hidden_sectors);
    write_field(at, bpb::kTotalSectors32, fields.total_sectors_32);
    write_field(at, bpb::kDriveNumber, fields.drive_number);
    write_field(at, bpb::kReserved, 0);
    write_field(at, bpb::kExtendedBootSignature, 0x29);
    write_field(at, bpb::kVolumeSerialNumber, fields.volume_serial_number);
    if (fields.sectors_per_fat_16 == 0 && fields.sectors_per_fat_32 != 0)
        write_field(at, bpb::kSectorsPerFat32, fields.sectors_per_fat_32);
    write_text(sector, bpb::kVolumeLabel, fields.volume_label);
    write_text(sector, bpb::kFileSystemType, fields.file_system_type);
    write_field(at, kBootSignature, 0xAA55);
    return sector;
}

std::vector<unsigned char> built_boot_sector(std::vector<unsigned char> sector, uint32_t hidden_sectors) {
    BuildBootSector(sector.data(), hidden_sectors);
    return sector;
}

}  // namespace ombix::bootdisk
