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
#include "boot_sector_layout.h"
#include "boot_template.h"

namespace ombix::bootdisk {
namespace {

constexpr size_t kHeaderSize = 15;

uint64_t little_endian(const unsigned char *at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool signature_at(const std::vector<unsigned char> &sector, size_t offset) {
    return sector[offset] == 0x55 && sector[offset + 1] == 0xAA;
}

// What a sector that passes the check promises, worked out in 64 bits so
// that no wrap-round can hide a layout that does not fit.
void require_sound_volume(const std::vector<unsigned char> &sector, uint64_t medium) {
    const unsigned char *at = sector.data();
    const uint64_t bytes_per_sector = sector.size();
    const uint64_t sectors_per_cluster = read_field(at, bpb::kSectorsPerCluster);
    const uint64_t reserved = read_field(at, bpb::kReservedSectors);
    const uint64_t fat_count = read_field(at, bpb::kNumberOfFats);
    const uint64_t root_entries = read_field(at, bpb::kRootDirectoryEntries);
    const uint64_t total_16 = read_field(at, bpb::kTotalSectors16);
    const uint64_t fat_16 = read_field(at, bpb::kSectorsPerFat16);
    const uint64_t total = total_16 != 0 ? total_16 : read_field(at, bpb::kTotalSectors32);
    const uint64_t fat_size = fat_16 != 0 ? fat_16 : read_field(at, bpb::kSectorsPerFat32);

    require(signature_at(sector, kBootSignature.offset) || signature_at(sector, sector.size() - kBootSignature.size));
    require(read_field(at, bpb::kBytesPerSector) == bytes_per_sector);
    require(sectors_per_cluster >= 1 && sectors_per_cluster <= 128 &&
            (sectors_per_cluster & (sectors_per_cluster - 1)) == 0);
    require(sectors_per_cluster * bytes_per_sector <= 32768);
    require(fat_count == 1 || fat_count == 2);
    require(reserved >= 1 && root_entries >= 1);
    require(total <= medium);
    const uint64_t root_sectors = (root_entries * 32 + bytes_per_sector - 1) / bytes_per_sector;
    const uint64_t overhead = reserved + fat_count * fat_size + root_sectors;
    // The layout may fill the volume exactly, leaving no data area.
    require(overhead <= total);
    const uint64_t clusters = (total - overhead) / sectors_per_cluster;
    require(clusters < 65525);
    const uint64_t entry_nibbles = clusters < 4085 ? 3 : 4;
    require(fat_size * 2 * bytes_per_sector >= entry_nibbles * (clusters + 2));
}

bool within(size_t offset, SectorField field) {
    return offset >= field.offset && offset < field.end();
}

void require_merged_from(const std::vector<unsigned char> &built, const std::vector<unsigned char> &given,
                         uint32_t hidden_sectors) {
    for (size_t i = 0; i < built.size(); ++i) {
        if (within(i, bpb::kHiddenSectors))
            require(built[i] == static_cast<unsigned char>(hidden_sectors >> (8 * (i - bpb::kHiddenSectors.offset))));
        else if (within(i, kJump) || within(i, kLoader))
            require(built[i] == BootLoaderTemplate[i]);
        else
            require(built[i] == given[i]);
    }
}

}  // namespace
}  // namespace ombix::bootdisk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ombix::bootdisk;
    if (size < kHeaderSize) return 0;
    const uint32_t bytes_per_sector = 512u << (data[0] % 7);
    const uint64_t medium = little_endian(data + 1, 8);
    const uint32_t hidden_sectors = static_cast<uint32_t>(little_endian(data + 9, 4));

    std::vector<unsigned char> sector(bytes_per_sector, 0);
    const size_t body = size - kHeaderSize;
    std::memcpy(sector.data(), data + kHeaderSize, body < bytes_per_sector ? body : bytes_per_sector);
    if (bytes_per_sector > 512) {
        sector[bytes_per_sector - 2] = data[13];
        sector[bytes_per_sector - 1] = data[14];
    }

    const uint32_t faults = fat_boot_sector_faults(sector.data(), bytes_per_sector, medium);
    require((faults == 0) == (CheckFatBootSector(sector.data(), bytes_per_sector, medium) != 0));
    if (faults == 0) require_sound_volume(sector, medium);

    std::vector<unsigned char> built(sector);
    BuildBootSector(built.data(), hidden_sectors);
    require_merged_from(built, sector, hidden_sectors);
    require(fat_boot_sector_faults(built.data(), bytes_per_sector, medium) == faults);
    return 0;
}
