/* The 512-byte boot sector template that carries the loader. */
#ifndef VXBOOTDISK_BOOT_TEMPLATE_H
#define VXBOOTDISK_BOOT_TEMPLATE_H

#ifdef __cplusplus
extern "C" {
#endif

extern const unsigned char BootLoaderTemplate[512];

#ifdef __cplusplus
}
#endif

#endif
