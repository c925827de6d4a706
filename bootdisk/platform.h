/* The platform operations of the boot drive tool: raw volume and file access.
 * The run flow and the boot sector logic reach the machine only through these,
 * so that one implementation serves Windows volumes, one Linux disk images and
 * block devices, and a scripted one the tests. Every int result is non-zero on
 * success and 0 on failure. */
#ifndef VXBOOTDISK_PLATFORM_H
#define VXBOOTDISK_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* An open volume or file; PLATFORM_INVALID_HANDLE when none is held. */
typedef intptr_t PlatformHandle;
#define PLATFORM_INVALID_HANDLE (-1)

/* What the drive geometry query reports. */
typedef struct DriveGeometry {
    int64_t cylinders;
    uint32_t mediaType;
    uint32_t tracksPerCylinder;
    uint32_t sectorsPerTrack;
    uint32_t bytesPerSector;
} DriveGeometry;

/* What the partition information query reports. */
typedef struct PartitionInformation {
    int64_t startingOffset;
    int64_t partitionLength;
    uint8_t partitionType;
} PartitionInformation;

/* devicePath is "\\.\X:"; forWriting selects read-write with no sharing,
 * otherwise read-only shared for reading. */
PlatformHandle platformOpenVolume(const char *devicePath, int forWriting);
int platformLockVolume(PlatformHandle volume);
int platformUnlockVolume(PlatformHandle volume);
int platformGetDriveGeometry(PlatformHandle volume, DriveGeometry *geometry);
int platformGetPartitionInfo(PlatformHandle volume, PartitionInformation *partition);

/* Moves to the first byte of the volume or file. */
int platformSeekToStart(PlatformHandle handle);
int platformRead(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred);
int platformWrite(PlatformHandle handle, const void *buffer, uint32_t length, uint32_t *transferred);

PlatformHandle platformOpenFileForReading(const char *name);
int platformClose(PlatformHandle handle);

/* A sector file is written whole or not at all: under a temporary name beside
 * it, flushed, closed, and only then renamed over the name, so that the name
 * holds either what it held before or the complete new file. */

/* Creates a new empty file in the folder of name, under a name of its own
 * that it stores in temporaryName (size bytes). Fails, as opening name for
 * writing would, when name exists as something a file may not replace (a
 * folder, a read-only file), and when the temporary name does not fit. */
PlatformHandle platformCreateTemporaryFile(const char *name, char *temporaryName, size_t size);
/* Puts what was written to the file on the medium. */
int platformFlush(PlatformHandle handle);
/* Renames the closed file temporaryName to name, replacing a file of that
 * name, and makes the new name last on the medium. */
int platformRenameFile(const char *temporaryName, const char *name);
/* Removes a file; one that does not exist counts as removed. */
int platformRemoveFile(const char *name);

void *platformAllocate(size_t size);
void platformFree(void *block);

#ifdef __cplusplus
}
#endif

#endif
