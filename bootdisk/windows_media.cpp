// The medium kinds of Windows' MEDIA_TYPE numbers.
#include "windows_media.h"

namespace ombix::bootdisk {

namespace {

constexpr uint32_t kUnknownMedia = 0;
constexpr uint32_t kRemovableMedia = 11;
constexpr uint32_t kFixedMedia = 12;
constexpr uint32_t kLastMediaType = 22;

}  // namespace

MediumKind medium_kind_of_media_type(uint32_t media_type) {
    if (media_type == kUnknownMedia || media_type == kRemovableMedia || media_type == kFixedMedia)
        return MediumKind::Partitioned;
    if (media_type >= 1 && media_type <= kLastMediaType) return MediumKind::Floppy;
    return MediumKind::Unrecognized;
}

}  // namespace ombix::bootdisk
