/* How the Linux build finds and describes a volume: drive X: is the image file
 * or block device named by the environment variable VXBOOTDISK_X, given as
 * PATH or PATH@START (the volume begins at sector START of a whole disk). */
#ifndef VXBOOTDISK_LINUX_VOLUME_H
#define VXBOOTDISK_LINUX_VOLUME_H

#include <stddef.h>
#include <stdint.h>

#include "platform.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VXBOOTDISK_IMAGE_SECTOR_SIZE 512

/* Writes "VXBOOTDISK_X" for the drive letter of devicePath ("\\.\x:") into
 * name; returns 0 when devicePath names no drive letter. */
int volumeVariableName(const char *devicePath, char *name, size_t size);

/* Splits "PATH@START" (START: decimal sectors below 2^32) into path and start;
 * any other value is a path with no start. Returns 0 when the path would not
 * fit or is empty. */
int parseVolumeSpec(const char *value, char *path, size_t size, uint32_t *startSector,
                    int *hasStart);

/* The floppy geometry of a standard floppy image size, or 0 when the size is
 * no standard floppy size. */
int floppyGeometryForSize(uint64_t bytes, DriveGeometry *geometry);

/* The type of the primary partition that begins at startSector, read from a
 * master boot record; 0x00 when there is no such partition or no record. */
uint8_t mbrPartitionType(const unsigned char *firstSector, uint32_t startSector);

#ifdef __cplusplus
}
#endif

#endif
