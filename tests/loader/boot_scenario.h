// A bootable volume with a boot file on a simulated disk, and the checks
// most loader tests share.
#ifndef OMBIX_TESTS_LOADER_BOOT_SCENARIO_H
#define OMBIX_TESTS_LOADER_BOOT_SCENARIO_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fat_volume.h"
#include "loader_machine.h"

constexpr const char *kBootFileName = "BOOTROM SYS";
constexpr uint32_t kLoadAddress = 0x8000;

struct BootScenario {
    uint8_t drive = 0x00;
    SimDisk disk;
    FatVolume volume;
    std::vector<uint8_t> file = PatternFile(1500);
    uint16_t cluster = 5;
    unsigned entryIndex = 3;
    bool withBootFile = true;
    BiosQuirks bios;

    // Writes the volume and the boot file, then boots the drive.
    LoaderRun Boot();
};

// The sector numbers the loader must read: the root directory up to the
// sector with the boot file's entry, then the file from its first cluster on.
std::vector<uint64_t> ExpectedReads(const FatVolume &volume, unsigned entryIndex, uint16_t cluster,
                                    uint32_t fileSize);

#endif
