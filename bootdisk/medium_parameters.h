/* The size and position of a volume, derived from what the drive reports. */
#ifndef VXBOOTDISK_MEDIUM_PARAMETERS_H
#define VXBOOTDISK_MEDIUM_PARAMETERS_H

#include <stdint.h>

#include "platform.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MediumParameters {
    uint32_t bytesPerSector;
    uint64_t mediumSizeInSectors;
    uint32_t hiddenSectors;
} MediumParameters;

/* Unknown, removable and fixed media carry partitions. */
int isPartitionedMediaType(uint32_t mediaType);
int isFloppyMediaType(uint32_t mediaType);
/* Unused, FAT12, FAT16, huge, FAT32, FAT32 with INT 13h extensions, extended INT 13h. */
int isKnownPartitionType(uint8_t partitionType);
/* A boot sector needs 512 bytes, the sector buffer a power of two, and a
 * cluster of one sector must stay within 32768 bytes. */
int isUsableSectorSize(uint32_t bytesPerSector);

/* Both require a usable sector size. */
MediumParameters partitionedMediumParameters(const DriveGeometry *geometry,
                                             const PartitionInformation *partition);
MediumParameters floppyMediumParameters(const DriveGeometry *geometry);

#ifdef __cplusplus
}
#endif

#endif
