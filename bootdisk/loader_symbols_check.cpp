// Holds the loader to the boot sector layout: bootloader.asm names the BPB
// fields it reads in equates of its own, and a build in which any of them
// differs from boot_sector_layout.h fails here. The values are the
// assembler's, taken from its map (loader_symbols.h).
#include "boot_sector_layout.h"
#include "loader_symbols.h"

namespace ombix::bootdisk {

namespace {

constexpr bool at(uint64_t loader_offset, SectorField field) {
    return loader_offset == field.offset;
}

static_assert(at(loader_symbols::kOemName, bpb::kOemName), "OemName");
static_assert(at(loader_symbols::kBytesPerSector, bpb::kBytesPerSector), "BytesPerSector");
static_assert(at(loader_symbols::kSectorsPerCluster, bpb::kSectorsPerCluster), "SectorsPerCluster");
static_assert(at(loader_symbols::kReservedSectors, bpb::kReservedSectors), "ReservedSectors");
static_assert(at(loader_symbols::kNumberOfFats, bpb::kNumberOfFats), "NumberOfFats");
static_assert(at(loader_symbols::kRootEntries, bpb::kRootDirectoryEntries), "RootEntries");
static_assert(at(loader_symbols::kSectorsPerFat, bpb::kSectorsPerFat16), "SectorsPerFat");
static_assert(at(loader_symbols::kSectorsPerTrack, bpb::kSectorsPerTrack), "SectorsPerTrack");
static_assert(at(loader_symbols::kNumberOfHeads, bpb::kNumberOfHeads), "NumberOfHeads");
static_assert(at(loader_symbols::kHiddenSectors, bpb::kHiddenSectors), "HiddenSectors");
static_assert(at(loader_symbols::kDriveNumber, bpb::kDriveNumber), "DriveNumber");
// The loader keeps the directory entry size over the file system type text.
static_assert(at(loader_symbols::kEntrySize, bpb::kFileSystemType), "EntrySize");
// The far pointer of the final jump lies inside the loader's part.
static_assert(loader_symbols::kFarPointerOffset >= kLoader.offset &&
                  loader_symbols::kFarPointerOffset + 4 <= kMessageSwitch.offset,
              "FarPointerOffset");

}  // namespace

}  // namespace ombix::bootdisk
