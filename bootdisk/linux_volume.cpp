#include "linux_volume.h"

#include <cstdio>
#include <cstring>

namespace {

struct FloppyFormat {
    uint32_t mediaType;
    uint32_t cylinders;
    uint32_t heads;
    uint32_t sectorsPerTrack;
};

// Standard floppy formats by media type number.
constexpr FloppyFormat kFloppyFormats[] = {
    {10, 40, 1, 8},   // 160 KB
    {9, 40, 1, 9},    // 180 KB
    {7, 40, 2, 8},    // 320 KB
    {6, 40, 2, 9},    // 360 KB
    {5, 80, 2, 9},    // 720 KB
    {1, 80, 2, 15},   // 1.2 MB
    {2, 80, 2, 18},   // 1.44 MB
    {3, 80, 2, 36},   // 2.88 MB
};

uint32_t le32(const unsigned char *at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

int volumeVariableName(const char *devicePath, char *name, size_t size) {
    const char *drive = std::strrchr(devicePath, '\\');
    drive = drive != nullptr ? drive + 1 : devicePath;
    char letter = drive[0];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z' || drive[1] != ':' || drive[2] != '\0')
        return 0;
    const int length = snprintf(name, size, "VXBOOTDISK_%c", letter);
    return length > 0 && static_cast<size_t>(length) < size;
}

int parseVolumeSpec(const char *value, char *path, size_t size, uint32_t *startSector,
                    int *hasStart) {
    size_t pathLength = std::strlen(value);
    *startSector = 0;
    *hasStart = 0;
    const char *at = std::strrchr(value, '@');
    if (at != nullptr && at[1] != '\0' && std::strspn(at + 1, "0123456789") == std::strlen(at + 1)) {
        uint64_t start = 0;
        bool fits = true;
        for (const char *digit = at + 1; *digit != '\0' && fits; ++digit) {
            start = start * 10 + static_cast<uint64_t>(*digit - '0');
            fits = start <= UINT32_MAX;
        }
        if (fits) {
            *startSector = static_cast<uint32_t>(start);
            *hasStart = 1;
            pathLength = static_cast<size_t>(at - value);
        }
    }
    if (pathLength == 0 || pathLength >= size)
        return 0;
    std::memcpy(path, value, pathLength);
    path[pathLength] = '\0';
    return 1;
}

int floppyGeometryForSize(uint64_t bytes, DriveGeometry *geometry) {
    for (const FloppyFormat &format : kFloppyFormats) {
        const uint64_t formatBytes = static_cast<uint64_t>(format.cylinders) * format.heads *
                                     format.sectorsPerTrack * VXBOOTDISK_IMAGE_SECTOR_SIZE;
        if (formatBytes == bytes) {
            geometry->cylinders = format.cylinders;
            geometry->mediaType = format.mediaType;
            geometry->tracksPerCylinder = format.heads;
            geometry->sectorsPerTrack = format.sectorsPerTrack;
            geometry->bytesPerSector = VXBOOTDISK_IMAGE_SECTOR_SIZE;
            return 1;
        }
    }
    return 0;
}

uint8_t mbrPartitionType(const unsigned char *firstSector, uint32_t startSector) {
    if (firstSector[0x1FE] != 0x55 || firstSector[0x1FF] != 0xAA)
        return 0x00;
    for (int entry = 0; entry < 4; ++entry) {
        const unsigned char *at = firstSector + 0x1BE + 16 * entry;
        if (at[4] != 0x00 && le32(at + 8) == startSector)
            return at[4];
    }
    return 0x00;
}
