// A FAT12/FAT16 volume on a simulated disk the way a formatter and the boot
// drive tool leave it: the BPB of the shared builder, merged with the loader
// by the tool's own merge, root directory entries of 32 or 64 bytes, and file
// data by cluster. The file allocation tables stay empty: the loader never
// reads them.
#ifndef OMBIX_TESTS_LOADER_FAT_VOLUME_H
#define OMBIX_TESTS_LOADER_FAT_VOLUME_H

#include <cstdint>
#include <string>
#include <vector>

#include "bpb_builder.h"
#include "sim_disk.h"

namespace ombix::bootdisk {

// The BPB of the loader's volumes: a 1.44 MB floppy whose drive number the
// loader must replace.
BpbFields loader_volume_bpb();

struct FatVolume {
    BpbFields bpb = loader_volume_bpb();  // the geometry as the BPB says; the BIOS may say otherwise
    uint8_t message_switch = 0;

    struct Entry {
        std::string name;  // directory form, 11 bytes
        uint16_t cluster = 0;
        uint32_t size = 0;
        unsigned index = 0;  // position in the root directory
    };
    std::vector<Entry> entries;

    unsigned entry_size() const;
    uint32_t root_directory_start() const;  // sector number on the disk
    uint32_t root_directory_sectors() const;
    uint32_t cluster_sector(uint16_t cluster) const;

    // The boot sector as the tool builds it, then the root directory.
    void write_to(SimDisk &disk) const;
};

// A boot file whose every byte depends on its position, so that a sector
// loaded from the wrong place or to the wrong place shows.
std::vector<uint8_t> pattern_file(size_t size, uint8_t seed = 0);

}  // namespace ombix::bootdisk

#endif
