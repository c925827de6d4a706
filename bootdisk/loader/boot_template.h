/* The 512-byte boot sector template that carries the loader, generated from
 * bootloader.asm as C data. */
#ifndef OMBIX_BOOTDISK_LOADER_BOOT_TEMPLATE_H
#define OMBIX_BOOTDISK_LOADER_BOOT_TEMPLATE_H

#ifdef __cplusplus
extern "C" {
#endif

extern const unsigned char BootLoaderTemplate[512];

#ifdef __cplusplus
}
#endif

#endif
