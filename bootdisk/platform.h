/* The platform operations of the boot drive tool: volumes, their geometry,
 * sector files and the sector buffer's memory. The run flow and the boot
 * sector logic reach the machine only through these, so that one
 * implementation serves Windows drives, one Linux disk images and block
 * devices, and a scripted one the tests. Each platform file translates what
 * its system reports into the terms used here. */
#ifndef OMBIX_BOOTDISK_PLATFORM_H
#define OMBIX_BOOTDISK_PLATFORM_H

#include <cstddef>
#include <cstdint>

namespace ombix::bootdisk {

// An open volume or file; kInvalidHandle when none is held.
using PlatformHandle = intptr_t;
constexpr PlatformHandle kInvalidHandle = -1;

// What holds a volume, which decides how its size and start are found.
enum class MediumKind {
    Partitioned,   // a fixed or removable disk: the partition placement says where the volume lies
    Floppy,        // a floppy disk, all of it the volume: the geometry gives its size
    Unrecognized,  // neither; media_code says what the drive reported
};

// The geometry of the medium that holds a volume.
struct VolumeGeometry {
    MediumKind kind;
    uint32_t media_code;  // the drive's own number for its medium, which a refusal names
    int64_t cylinders;
    uint32_t tracks_per_cylinder;
    uint32_t sectors_per_track;
    uint32_t bytes_per_sector;
};

// Where a volume lies on a partitioned disk, in bytes, and its partition type.
struct PartitionPlacement {
    int64_t starting_offset;
    int64_t partition_length;
    uint8_t partition_type;
};

// drive_name is a letter and a colon, such as "E:". for_writing selects
// read-write access with no sharing, otherwise read-only access shared for
// reading.
PlatformHandle platform_open_volume(const char *drive_name, bool for_writing);
bool platform_lock_volume(PlatformHandle volume);
bool platform_unlock_volume(PlatformHandle volume);
bool platform_volume_geometry(PlatformHandle volume, VolumeGeometry *geometry);
bool platform_partition_placement(PlatformHandle volume, PartitionPlacement *partition);

// Moves to the first byte of the volume or file.
bool platform_seek_to_start(PlatformHandle handle);
// Both succeed with the count transferred in *transferred, which may be short.
bool platform_read(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred);
bool platform_write(PlatformHandle handle, const void *buffer, uint32_t length, uint32_t *transferred);

PlatformHandle platform_open_file_for_reading(const char *name);
bool platform_close(PlatformHandle handle);

// A sector file is written whole or not at all: under a temporary name beside
// it, flushed, closed, and only then renamed over the name, so that the name
// holds either what it held before or the complete new file.

// Creates a new empty file in the folder of name, under a name of its own
// that it stores in temporary_name (size bytes). Fails, as opening name for
// writing would, when name exists as something a file may not replace (a
// folder, a read-only file), and when the temporary name does not fit.
PlatformHandle platform_create_temporary_file(const char *name, char *temporary_name, size_t size);
// Puts what was written to the file on the medium.
bool platform_flush(PlatformHandle handle);
// Renames the closed file temporary_name to name, replacing a file of that
// name, and makes the new name last on the medium.
bool platform_rename_file(const char *temporary_name, const char *name);
// Removes a file; one that does not exist counts as removed.
bool platform_remove_file(const char *name);

// The sector buffer's memory: one definition serves both programs
// (platform_memory.cpp); the tests bring their own, which can fail.
void *platform_allocate(size_t size);
void platform_free(void *block);

}  // namespace ombix::bootdisk

#endif
