/* The FAT12/FAT16 boot sector: the check that decides whether a drive's sector
 * may carry the loader, and the merge of the loader into it. */
#ifndef VXBOOTDISK_BOOT_SECTOR_H
#define VXBOOTDISK_BOOT_SECTOR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One bit per condition, bit (n - 1) for condition n. */
enum FatBootSectorFault {
    FAT_FAULT_SIGNATURE = 1u << 0,          /* no 0x55 0xAA at 0x1FE nor at the sector's end */
    FAT_FAULT_TOO_MANY_CLUSTERS = 1u << 1,  /* 65525 clusters or more */
    FAT_FAULT_SECTOR_SIZE = 1u << 2,        /* bytes-per-sector field differs from the medium */
    FAT_FAULT_NO_ROOT_DIRECTORY = 1u << 3,  /* no root directory entries (as on FAT32) */
    FAT_FAULT_FAT_COUNT = 1u << 4,          /* neither 1 nor 2 FATs */
    FAT_FAULT_BEYOND_MEDIUM = 1u << 5,      /* more sectors than the medium holds */
    FAT_FAULT_CLUSTER_BYTES = 1u << 6,      /* clusters above 32768 bytes */
    FAT_FAULT_CLUSTER_SECTORS = 1u << 7,    /* sectors per cluster not a power of two up to 128 */
    FAT_FAULT_LAYOUT = 1u << 8,             /* reserved sectors, FATs and root leave no data area */
    FAT_FAULT_NO_RESERVED = 1u << 9,        /* no reserved sector for the boot sector itself */
    FAT_FAULT_FAT_TOO_SMALL = 1u << 10      /* a FAT cannot hold an entry per cluster */
};

/* The faults of a sector of bytesPerSector bytes (at least 512) on a medium
 * of mediumSizeInSectors sectors; 0 when it is a usable FAT12/FAT16 sector. */
uint32_t fatBootSectorFaults(const unsigned char *sector, uint32_t bytesPerSector,
                             uint64_t mediumSizeInSectors);

/* Non-zero when the sector is a usable FAT12/FAT16 boot sector. */
int CheckFatBootSector(const unsigned char *sector, uint32_t bytesPerSector,
                       uint64_t mediumSizeInSectors);

/* Puts the loader's jump, code and texts into the sector and records the
 * hidden sectors; every disk parameter and the signature stay. */
void BuildBootSector(unsigned char *sector, uint32_t hiddenSectors);

#ifdef __cplusplus
}
#endif

#endif
