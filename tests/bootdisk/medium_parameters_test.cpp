// How the size and position of a volume follow from the platform's reports,
// and how the Windows program reads a drive's media type.
#include <gtest/gtest.h>

#include "medium_parameters.h"
#include "windows_media.h"

namespace ombix::bootdisk {
namespace {

TEST(MediaTypes, unknown_removable_and_fixed_media_are_partitioned) {
    for (uint32_t type = 0; type <= 30; ++type) {
        const bool partitioned = type == 0 || type == 11 || type == 12;
        EXPECT_EQ(medium_kind_of_media_type(type) == MediumKind::Partitioned, partitioned) << type;
    }
}

TEST(MediaTypes, the_floppy_formats_are_one_to_twenty_two_without_the_disk_types) {
    for (uint32_t type = 0; type <= 30; ++type) {
        const bool floppy = type >= 1 && type <= 22 && type != 11 && type != 12;
        EXPECT_EQ(medium_kind_of_media_type(type) == MediumKind::Floppy, floppy) << type;
        EXPECT_EQ(medium_kind_of_media_type(type) == MediumKind::Unrecognized, type > 22) << type;
    }
    EXPECT_EQ(medium_kind_of_media_type(0xFFFFFFFFu), MediumKind::Unrecognized);
}

TEST(PartitionTypes, only_unused_and_the_fat_family_are_known) {
    for (int type = 0; type <= 0xFF; ++type) {
        const bool known = type == 0x00 || type == 0x01 || type == 0x04 || type == 0x06 || type == 0x0B ||
                           type == 0x0C || type == 0x0E;
        EXPECT_EQ(is_known_partition_type(static_cast<uint8_t>(type)), known) << type;
    }
}

TEST(SectorSizes, powers_of_two_from_512_to_32768_are_usable) {
    for (uint32_t size : {512u, 1024u, 2048u, 4096u, 8192u, 16384u, 32768u})
        EXPECT_TRUE(is_usable_sector_size(size)) << size;
    for (uint32_t size : {0u, 1u, 128u, 256u, 511u, 520u, 1000u, 3072u, 65536u, 0x80000000u})
        EXPECT_FALSE(is_usable_sector_size(size)) << size;
}

VolumeGeometry disk_geometry(int64_t cylinders, uint32_t heads, uint32_t sectors_per_track, uint32_t bytes_per_sector) {
    return VolumeGeometry{MediumKind::Partitioned, 12, cylinders, heads, sectors_per_track, bytes_per_sector};
}

TEST(PartitionedMedia, a_start_of_63_sectors_gives_63_hidden_sectors) {
    const VolumeGeometry geometry = disk_geometry(999, 255, 63, 512);
    const PartitionPlacement partition{63 * 512, 1000000 * 512LL, 0x06};
    const MediumParameters medium = partitioned_medium_parameters(geometry, partition);
    EXPECT_EQ(medium.bytes_per_sector, 512u);
    EXPECT_EQ(medium.medium_size_in_sectors, 1000000u);
    EXPECT_EQ(medium.hidden_sectors, 63u);
}

TEST(PartitionedMedia, sizes_beyond_32_bits_are_kept_and_hidden_sectors_keep_their_low_bits) {
    const VolumeGeometry geometry = disk_geometry(1, 1, 1, 4096);
    const PartitionPlacement partition{(0x100000002LL) * 4096, 0x300000000LL * 4096, 0x0C};
    const MediumParameters medium = partitioned_medium_parameters(geometry, partition);
    EXPECT_EQ(medium.medium_size_in_sectors, 0x300000000ull);
    EXPECT_EQ(medium.hidden_sectors, 2u);
}

TEST(PartitionedMedia, partial_sectors_at_the_end_do_not_count) {
    const VolumeGeometry geometry = disk_geometry(1, 1, 1, 512);
    const PartitionPlacement partition{0, 512 * 10 + 511, 0x01};
    EXPECT_EQ(partitioned_medium_parameters(geometry, partition).medium_size_in_sectors, 10u);
}

TEST(FloppyMedia, a_144_mb_floppy_has_2880_sectors_and_no_hidden_ones) {
    const VolumeGeometry geometry{MediumKind::Floppy, 2, 80, 2, 18, 512};
    const MediumParameters medium = floppy_medium_parameters(geometry);
    EXPECT_EQ(medium.bytes_per_sector, 512u);
    EXPECT_EQ(medium.medium_size_in_sectors, 2880u);
    EXPECT_EQ(medium.hidden_sectors, 0u);
}

TEST(FloppyMedia, the_size_product_does_not_wrap_at_32_bits) {
    const VolumeGeometry geometry{MediumKind::Floppy, 1, 0x10000, 0x10000, 0x100, 512};
    EXPECT_EQ(floppy_medium_parameters(geometry).medium_size_in_sectors, 0x10000000000ull);
}

}  // namespace
}  // namespace ombix::bootdisk
