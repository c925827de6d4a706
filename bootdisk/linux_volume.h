/* How the Linux build finds and describes a volume: drive X: is the image file
 * or block device named by the environment variable VXBOOTDISK_X, given as
 * PATH or PATH@START (the volume begins at sector START of a whole disk). */
#ifndef OMBIX_BOOTDISK_LINUX_VOLUME_H
#define OMBIX_BOOTDISK_LINUX_VOLUME_H

#include <cstddef>
#include <cstdint>

#include "platform.h"

namespace ombix::bootdisk {

constexpr uint32_t kImageSectorSize = 512;

// Writes "VXBOOTDISK_X" for drive_name ("x:") into name; false when
// drive_name is no drive letter and a colon, or the name does not fit.
bool volume_variable_name(const char *drive_name, char *name, size_t size);

// Splits "PATH@START" (START: decimal sectors below 2^32) into path and start;
// any other value is a path with no start. False when the path would not fit
// or is empty.
bool parse_volume_spec(const char *value, char *path, size_t size, uint32_t *start_sector, bool *has_start);

// The floppy geometry of a standard floppy image size; false when the size
// is no standard floppy size.
bool floppy_geometry_for_size(uint64_t bytes, VolumeGeometry *geometry);

// The type of the primary partition that begins at start_sector, read from a
// master boot record; 0x00 when there is no such partition or no record.
uint8_t mbr_partition_type(const unsigned char *first_sector, uint32_t start_sector);

}  // namespace ombix::bootdisk

#endif
