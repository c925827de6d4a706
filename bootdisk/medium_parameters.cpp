#include "medium_parameters.h"

namespace {

// Media type numbers as drives report them.
constexpr uint32_t kUnknownMedia = 0;
constexpr uint32_t kRemovableMedia = 11;
constexpr uint32_t kFixedMedia = 12;
constexpr uint32_t kLastMediaType = 22;

}  // namespace

int isPartitionedMediaType(uint32_t mediaType) {
    return mediaType == kUnknownMedia || mediaType == kRemovableMedia || mediaType == kFixedMedia;
}

int isFloppyMediaType(uint32_t mediaType) {
    return mediaType >= 1 && mediaType <= kLastMediaType && !isPartitionedMediaType(mediaType);
}

int isKnownPartitionType(uint8_t partitionType) {
    switch (partitionType) {
    case 0x00: case 0x01: case 0x04: case 0x06: case 0x0B: case 0x0C: case 0x0E:
        return 1;
    default:
        return 0;
    }
}

int isUsableSectorSize(uint32_t bytesPerSector) {
    const bool powerOfTwo = bytesPerSector != 0 && (bytesPerSector & (bytesPerSector - 1)) == 0;
    return powerOfTwo && bytesPerSector >= 512 && bytesPerSector <= 32768;
}

MediumParameters partitionedMediumParameters(const DriveGeometry *geometry,
                                             const PartitionInformation *partition) {
    const uint64_t bytesPerSector = geometry->bytesPerSector;
    MediumParameters medium;
    medium.bytesPerSector = geometry->bytesPerSector;
    medium.mediumSizeInSectors = static_cast<uint64_t>(partition->partitionLength) / bytesPerSector;
    medium.hiddenSectors =
        static_cast<uint32_t>(static_cast<uint64_t>(partition->startingOffset) / bytesPerSector);
    return medium;
}

MediumParameters floppyMediumParameters(const DriveGeometry *geometry) {
    MediumParameters medium;
    medium.bytesPerSector = geometry->bytesPerSector;
    medium.mediumSizeInSectors = static_cast<uint64_t>(geometry->cylinders) *
                                 geometry->tracksPerCylinder * geometry->sectorsPerTrack;
    medium.hiddenSectors = 0;
    return medium;
}
