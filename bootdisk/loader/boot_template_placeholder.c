#include "boot_template.h"

/* Jump to 0x03E, where the machine halts; texts at their fixed offsets. */
const unsigned char BootLoaderTemplate[512] = {
    [0x000] = 0xEB, 0x3C, 0x90,
    [0x03E] = 0xFA, 0xF4, 0xEB, 0xFD,
    [0x1E1] = 'V', '1', '.', '6', 0,
    [0x1E6] = '!', 'R', 'd', 0,
    [0x1EA] = '!', 'B', 'O', 'O', 'T', 'R', 'O', 'M', ' ', 'S', 'Y', 'S', 0,
    [0x1F7] = '+', 0,
    [0x1F9] = 'V', 'X', 'E', 'X', 'T',
};
