/* The volume and sector-file steps of a run, each printing its failure line.
 * Every function returns non-zero on success; handles, the lock and the
 * buffer block are recorded in the run's resources as soon as they are held. */
#ifndef VXBOOTDISK_VOLUME_ACCESS_H
#define VXBOOTDISK_VOLUME_ACCESS_H

#include <stdint.h>
#include <stdio.h>

#include "medium_parameters.h"
#include "run_resources.h"

#ifdef __cplusplus
extern "C" {
#endif

int openVolume(RunResources *resources, int forWriting, FILE *out);
int lockVolume(RunResources *resources, FILE *out);
int obtainMediumParameters(RunResources *resources, MediumParameters *medium, FILE *out);
/* Returns a buffer of bytesPerSector bytes aligned to bytesPerSector, or null. */
unsigned char *allocateSectorBuffer(RunResources *resources, uint32_t bytesPerSector, FILE *out);
int readVolumeSector(RunResources *resources, unsigned char *buffer, uint32_t bytesPerSector,
                     FILE *out);
int writeVolumeSector(RunResources *resources, const unsigned char *buffer,
                      uint32_t bytesPerSector, FILE *out);
int readSectorFile(RunResources *resources, unsigned char *buffer, uint32_t bytesPerSector,
                   FILE *out);
/* Writes the sector file whole or not at all: under a temporary name that
 * is renamed to the file name once the sector is written, flushed and
 * closed. On failure the temporary file is left for the release to remove. */
int writeSectorFile(RunResources *resources, const unsigned char *buffer, uint32_t bytesPerSector,
                    FILE *out);

#ifdef __cplusplus
}
#endif

#endif
