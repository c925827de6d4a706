/* The Windows program's reading of a drive geometry's media type (MEDIA_TYPE)
 * as a medium kind of the platform interface. Plain code, apart from
 * platform_windows.cpp, so that it is tested on any system. */
#ifndef OMBIX_BOOTDISK_WINDOWS_MEDIA_H
#define OMBIX_BOOTDISK_WINDOWS_MEDIA_H

#include <cstdint>

#include "platform.h"

namespace ombix::bootdisk {

// Unknown (0), removable (11) and fixed (12) media carry partitions; the
// floppy formats are the other numbers from 1 to 22; any other number is
// unrecognized.
MediumKind medium_kind_of_media_type(uint32_t media_type);

}  // namespace ombix::bootdisk

#endif
