/* The layout of a boot sector: the offset and size of every field of the BIOS
 * parameter block (BPB) and of the parts the loader brings. The check, the
 * merge and the tests read and write a sector through these names only; the
 * build holds the loader's own offsets to them (loader_symbols_check.cpp). */
#ifndef OMBIX_BOOTDISK_BOOT_SECTOR_LAYOUT_H
#define OMBIX_BOOTDISK_BOOT_SECTOR_LAYOUT_H

#include <cstddef>
#include <cstdint>

namespace ombix::bootdisk {

// A run of bytes of the sector, counted from its first byte.
struct SectorField {
    size_t offset;
    size_t size;

    constexpr size_t end() const { return offset + size; }
};

// The BPB fields, as a formatter writes them.
namespace bpb {

constexpr SectorField kOemName{0x003, 8};
constexpr SectorField kBytesPerSector{0x00B, 2};
constexpr SectorField kSectorsPerCluster{0x00D, 1};
constexpr SectorField kReservedSectors{0x00E, 2};
constexpr SectorField kNumberOfFats{0x010, 1};
constexpr SectorField kRootDirectoryEntries{0x011, 2};
constexpr SectorField kTotalSectors16{0x013, 2};
constexpr SectorField kMediaDescriptor{0x015, 1};
constexpr SectorField kSectorsPerFat16{0x016, 2};
constexpr SectorField kSectorsPerTrack{0x018, 2};
constexpr SectorField kNumberOfHeads{0x01A, 2};
constexpr SectorField kHiddenSectors{0x01C, 4};
constexpr SectorField kTotalSectors32{0x020, 4};
constexpr SectorField kDriveNumber{0x024, 1};
constexpr SectorField kReserved{0x025, 1};
constexpr SectorField kExtendedBootSignature{0x026, 1};
constexpr SectorField kVolumeSerialNumber{0x027, 4};
constexpr SectorField kVolumeLabel{0x02B, 11};
constexpr SectorField kFileSystemType{0x036, 8};
// The check takes the sectors per FAT from here when the 16-bit form is 0:
// the four bytes from the drive number on, as a 32-bit value.
constexpr SectorField kSectorsPerFat32{0x024, 4};

}  // namespace bpb

// The sector around the BPB.
constexpr SectorField kJump{0x000, 3};
constexpr SectorField kBpb{0x003, 59};
constexpr SectorField kLoader{0x03E, 448};  // the loader's code and texts
constexpr SectorField kMessageSwitch{0x1E0, 1};
constexpr SectorField kBootSignature{0x1FE, 2};
// The loader template, and the least a boot sector holds.
constexpr size_t kTemplateSize = 512;

static_assert(kJump.end() == kBpb.offset && kBpb.end() == kLoader.offset, "the BPB lies between jump and loader");
static_assert(bpb::kOemName.offset == kBpb.offset && bpb::kFileSystemType.end() == kBpb.end(),
              "the BPB fields fill the BPB");
static_assert(kLoader.end() == kBootSignature.offset && kBootSignature.end() == kTemplateSize,
              "the loader ends at the signature, the signature at the template's end");

// The little-endian value of a field of up to four bytes.
inline uint32_t read_field(const unsigned char *sector, SectorField field) {
    uint32_t value = 0;
    for (size_t i = field.size; i > 0; --i) value = value << 8 | sector[field.offset + i - 1];
    return value;
}

// Stores value into a field of up to four bytes, least significant byte first.
inline void write_field(unsigned char *sector, SectorField field, uint32_t value) {
    for (size_t i = 0; i < field.size; ++i) sector[field.offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace ombix::bootdisk

#endif
