// The loader's test volumes, written sector by sector to a simulated disk.
#include "fat_volume.h"

#include <algorithm>
#include <cstring>

#include "boot_sector_layout.h"

namespace ombix::bootdisk {

namespace {

// Where a directory entry keeps the first cluster and the size of its file.
constexpr SectorField kEntryCluster{0x1A, 2};
constexpr SectorField kEntrySize{0x1C, 4};
// The same in the 64-byte entries of a "VXEXT" volume.
constexpr SectorField kWideEntryCluster{0x3A, 2};
constexpr SectorField kWideEntrySize{0x3C, 4};

}  // namespace

BpbFields loader_volume_bpb() {
    BpbFields bpb;
    bpb.oem_name = "OMBIXFAT";
    bpb.drive_number = 0x55;
    return bpb;
}

unsigned FatVolume::entry_size() const {
    return bpb.oem_name.compare(0, 5, "VXEXT") == 0 ? 64 : 32;
}

uint32_t FatVolume::root_directory_start() const {
    return bpb.hidden_sectors + bpb.reserved_sectors + bpb.number_of_fats * bpb.sectors_per_fat_16;
}

uint32_t FatVolume::root_directory_sectors() const {
    return (bpb.root_directory_entries * entry_size() + bpb.bytes_per_sector - 1) / bpb.bytes_per_sector;
}

uint32_t FatVolume::cluster_sector(uint16_t cluster) const {
    return root_directory_start() + root_directory_sectors() + (cluster - 2u) * bpb.sectors_per_cluster;
}

void FatVolume::write_to(SimDisk &disk) const {
    std::vector<uint8_t> boot = built_boot_sector(fat_boot_sector(bpb, bpb.bytes_per_sector), bpb.hidden_sectors);
    write_field(boot.data(), kMessageSwitch, message_switch);
    disk.write(bpb.hidden_sectors, boot);

    std::vector<uint8_t> root(root_directory_sectors() * bpb.bytes_per_sector, 0);
    const unsigned size = entry_size();
    for (const Entry &entry : entries) {
        uint8_t *at = root.data() + entry.index * size;
        std::memcpy(at, entry.name.data(), std::min<size_t>(11, entry.name.size()));
        if (size == 64) {
            // The short layout's fields hold decoys: the loader must not use them.
            write_field(at, kEntryCluster, 0x0777);
            write_field(at, kEntrySize, 0x00077777);
            write_field(at, kWideEntryCluster, entry.cluster);
            write_field(at, kWideEntrySize, entry.size);
        } else {
            write_field(at, kEntryCluster, entry.cluster);
            write_field(at, kEntrySize, entry.size);
        }
    }
    disk.write_bytes(root_directory_start(), root);
}

std::vector<uint8_t> pattern_file(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7) ^ (i >> 9) ^ seed);
    return bytes;
}

}  // namespace ombix::bootdisk
