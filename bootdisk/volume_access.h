/* The volume and sector-file steps of a run, each printing its failure line.
 * Every function returns true on success; handles, the lock and the buffer
 * block are recorded in the run's resources as soon as they are held. */
#ifndef OMBIX_BOOTDISK_VOLUME_ACCESS_H
#define OMBIX_BOOTDISK_VOLUME_ACCESS_H

#include <cstdint>
#include <cstdio>

#include "medium_parameters.h"
#include "run_resources.h"

namespace ombix::bootdisk {

bool open_volume(RunResources *resources, bool for_writing, FILE *out);
bool lock_volume(RunResources *resources, FILE *out);
bool obtain_medium_parameters(RunResources *resources, MediumParameters *medium, FILE *out);
// Returns a buffer of bytes_per_sector bytes aligned to bytes_per_sector, or null.
unsigned char *allocate_sector_buffer(RunResources *resources, uint32_t bytes_per_sector, FILE *out);
bool read_volume_sector(RunResources *resources, unsigned char *buffer, uint32_t bytes_per_sector, FILE *out);
bool write_volume_sector(RunResources *resources, const unsigned char *buffer, uint32_t bytes_per_sector, FILE *out);
bool read_sector_file(RunResources *resources, unsigned char *buffer, uint32_t bytes_per_sector, FILE *out);
// Writes the sector file whole or not at all: under a temporary name that
// is renamed to the file name once the sector is written, flushed and
// closed. On failure the temporary file is left for the release to remove.
bool write_sector_file(RunResources *resources, const unsigned char *buffer, uint32_t bytes_per_sector, FILE *out);

}  // namespace ombix::bootdisk

#endif
