// Builds a FAT12/FAT16 volume on a simulated disk the way a formatter and
// the boot drive tool would leave it: BPB, the loader of BootLoaderTemplate,
// root directory entries of 32 or 64 bytes, and file data by cluster. The
// file allocation tables stay empty: the loader never reads them.
#ifndef OMBIX_TESTS_LOADER_FAT_VOLUME_H
#define OMBIX_TESTS_LOADER_FAT_VOLUME_H

#include <cstdint>
#include <string>
#include <vector>

#include "sim_disk.h"

struct FatVolume {
    std::string oemName = "OMBIXFAT";
    uint16_t bytesPerSector = 512;
    uint8_t sectorsPerCluster = 1;
    uint16_t reservedSectors = 1;
    uint8_t numberOfFats = 2;
    uint16_t rootEntries = 224;
    uint32_t totalSectors = 2880;
    uint16_t sectorsPerFat = 9;
    uint16_t sectorsPerTrack = 18;  // as the BPB says; the BIOS may say otherwise
    uint16_t numberOfHeads = 2;
    uint32_t hiddenSectors = 0;
    uint8_t messageSwitch = 0;

    struct Entry {
        std::string name;  // directory form, 11 bytes
        uint16_t cluster = 0;
        uint32_t size = 0;
        unsigned index = 0;  // position in the root directory
    };
    std::vector<Entry> entries;

    unsigned EntrySize() const;
    uint32_t RootDirectoryStart() const;  // sector number on the disk
    uint32_t RootDirectorySectors() const;
    uint32_t ClusterSector(uint16_t cluster) const;

    // The boot sector as the tool builds it, then the root directory.
    void WriteTo(SimDisk &disk) const;
};

// A boot file whose every byte depends on its position, so that a sector
// loaded from the wrong place or to the wrong place shows.
std::vector<uint8_t> PatternFile(size_t size, uint8_t seed = 0);

#endif
