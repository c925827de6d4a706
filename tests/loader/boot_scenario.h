// A bootable volume with a boot file on a simulated disk, and the checks
// most loader tests share.
#ifndef OMBIX_TESTS_LOADER_BOOT_SCENARIO_H
#define OMBIX_TESTS_LOADER_BOOT_SCENARIO_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "boot_sector_layout.h"
#include "fat_volume.h"
#include "loader_machine.h"

namespace ombix::bootdisk {

constexpr const char *kBootFileName = "BOOTROM SYS";
constexpr uint32_t kLoadAddress = 0x8000;
constexpr uint32_t kBootSectorAddress = 0x7C00;

// The address of a field of the boot sector as the BIOS loaded it.
constexpr uint32_t in_memory(SectorField field) {
    return kBootSectorAddress + static_cast<uint32_t>(field.offset);
}

struct BootScenario {
    uint8_t drive = 0x00;
    SimDisk disk;
    FatVolume volume;
    std::vector<uint8_t> file = pattern_file(1500);
    uint16_t cluster = 5;
    unsigned entry_index = 3;
    bool with_boot_file = true;
    BiosQuirks bios;

    // Writes the volume and the boot file, then boots the drive.
    LoaderRun boot();
};

// The sector numbers the loader must read: the root directory up to the
// sector with the boot file's entry, then the file from its first cluster on.
std::vector<uint64_t> expected_reads(const FatVolume &volume, unsigned entry_index, uint16_t cluster,
                                     uint32_t file_size);

}  // namespace ombix::bootdisk

#endif
