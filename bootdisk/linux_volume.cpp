// The Linux program's names, floppy formats and partition table reading.
#include "linux_volume.h"

#include <cstdio>
#include <cstring>

namespace ombix::bootdisk {

namespace {

struct FloppyFormat {
    uint32_t cylinders;
    uint32_t heads;
    uint32_t sectors_per_track;
};

// The standard floppy formats: 160K, 180K, 320K, 360K, 720K, 1.2M, 1.44M, 2.88M.
constexpr FloppyFormat kFloppyFormats[] = {
    {40, 1, 8}, {40, 1, 9}, {40, 2, 8}, {40, 2, 9}, {80, 2, 9}, {80, 2, 15}, {80, 2, 18}, {80, 2, 36},
};

// The master boot record: four partition entries, then the signature.
constexpr size_t kPartitionTable = 0x1BE;
constexpr size_t kPartitionEntrySize = 16;
constexpr size_t kPartitionTypeAt = 4;   // within an entry
constexpr size_t kPartitionStartAt = 8;  // within an entry, 32-bit
constexpr size_t kRecordSignature = 0x1FE;

uint32_t le32(const unsigned char *at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

bool volume_variable_name(const char *drive_name, char *name, size_t size) {
    char letter = drive_name[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z' || drive_name[1] != ':' || drive_name[2] != '\0') return false;
    const int length = snprintf(name, size, "VXBOOTDISK_%c", letter);
    return length > 0 && static_cast<size_t>(length) < size;
}

bool parse_volume_spec(const char *value, char *path, size_t size, uint32_t *start_sector, bool *has_start) {
    size_t path_length = std::strlen(value);
    *start_sector = 0;
    *has_start = false;
    const char *at = std::strrchr(value, '@');
    if (at != nullptr && at[1] != '\0' && std::strspn(at + 1, "0123456789") == std::strlen(at + 1)) {
        uint64_t start = 0;
        bool fits = true;
        for (const char *digit = at + 1; *digit != '\0' && fits; ++digit) {
            start = start * 10 + static_cast<uint64_t>(*digit - '0');
            fits = start <= UINT32_MAX;
        }
        if (fits) {
            *start_sector = static_cast<uint32_t>(start);
            *has_start = true;
            path_length = static_cast<size_t>(at - value);
        }
    }
    if (path_length == 0 || path_length >= size) return false;
    std::memcpy(path, value, path_length);
    path[path_length] = '\0';
    return true;
}

bool floppy_geometry_for_size(uint64_t bytes, VolumeGeometry *geometry) {
    for (const FloppyFormat &format : kFloppyFormats) {
        const uint64_t format_bytes =
            static_cast<uint64_t>(format.cylinders) * format.heads * format.sectors_per_track * kImageSectorSize;
        if (format_bytes == bytes) {
            geometry->kind = MediumKind::Floppy;
            geometry->media_code = 0;
            geometry->cylinders = format.cylinders;
            geometry->tracks_per_cylinder = format.heads;
            geometry->sectors_per_track = format.sectors_per_track;
            geometry->bytes_per_sector = kImageSectorSize;
            return true;
        }
    }
    return false;
}

uint8_t mbr_partition_type(const unsigned char *first_sector, uint32_t start_sector) {
    if (first_sector[kRecordSignature] != 0x55 || first_sector[kRecordSignature + 1] != 0xAA) return 0x00;
    for (size_t entry = 0; entry < 4; ++entry) {
        const unsigned char *at = first_sector + kPartitionTable + kPartitionEntrySize * entry;
        if (at[kPartitionTypeAt] != 0x00 && le32(at + kPartitionStartAt) == start_sector) return at[kPartitionTypeAt];
    }
    return 0x00;
}

}  // namespace ombix::bootdisk
