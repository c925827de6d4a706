// How the Linux build maps drive letters to images and describes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux_volume.h"

namespace ombix::bootdisk {
namespace {

TEST(VolumeVariable, is_named_after_the_upper_case_drive_letter) {
    char name[32];
    ASSERT_TRUE(volume_variable_name("E:", name, sizeof name));
    EXPECT_STREQ(name, "VXBOOTDISK_E");
    ASSERT_TRUE(volume_variable_name("a:", name, sizeof name));
    EXPECT_STREQ(name, "VXBOOTDISK_A");
    EXPECT_FALSE(volume_variable_name("1:", name, sizeof name));
    EXPECT_FALSE(volume_variable_name("AB:", name, sizeof name));
    EXPECT_FALSE(volume_variable_name("A", name, sizeof name));
    EXPECT_FALSE(volume_variable_name("A:", name, 12)) << "no room for the terminator";
}

struct SpecCase {
    const char *value;
    bool valid;
    const char *path;
    bool has_start;
    uint32_t start;
};

TEST(VolumeSpec, splits_path_and_start_sector) {
    const SpecCase cases[] = {
        {"/tmp/floppy.img", true, "/tmp/floppy.img", false, 0},
        {"/tmp/disk.img@2048", true, "/tmp/disk.img", true, 2048},
        {"/tmp/disk.img@0", true, "/tmp/disk.img", true, 0},
        {"/tmp/me@host/disk.img", true, "/tmp/me@host/disk.img", false, 0},
        {"/tmp/disk.img@", true, "/tmp/disk.img@", false, 0},
        {"/tmp/disk.img@12x", true, "/tmp/disk.img@12x", false, 0},
        {"/tmp/a@b.img@63", true, "/tmp/a@b.img", true, 63},
        {"/tmp/disk.img@4294967295", true, "/tmp/disk.img", true, 4294967295u},
        {"/tmp/disk.img@4294967296", true, "/tmp/disk.img@4294967296", false, 0},
        {"", false, "", false, 0},
        {"@63", false, "", false, 0},
    };
    for (const SpecCase &c : cases) {
        char path[64] = "unchanged";
        uint32_t start = 99;
        bool has_start = true;
        ASSERT_EQ(parse_volume_spec(c.value, path, sizeof path, &start, &has_start), c.valid) << c.value;
        if (!c.valid) continue;
        EXPECT_STREQ(path, c.path) << c.value;
        EXPECT_EQ(has_start, c.has_start) << c.value;
        EXPECT_EQ(start, c.start) << c.value;
    }
}

TEST(VolumeSpec, refuses_a_path_that_does_not_fit) {
    char path[8];
    uint32_t start = 0;
    bool has_start = false;
    EXPECT_FALSE(parse_volume_spec("/tmp/long/path.img", path, sizeof path, &start, &has_start));
    EXPECT_TRUE(parse_volume_spec("/a.img@5", path, sizeof path, &start, &has_start));
}

TEST(FloppyImages, standard_sizes_are_floppies_of_their_geometry) {
    const struct {
        uint64_t kilobytes;
        int64_t cylinders;
        uint32_t heads;
        uint32_t sectors_per_track;
    } cases[] = {
        {160, 40, 1, 8}, {180, 40, 1, 9},   {320, 40, 2, 8},   {360, 40, 2, 9},
        {720, 80, 2, 9}, {1200, 80, 2, 15}, {1440, 80, 2, 18}, {2880, 80, 2, 36},
    };
    for (const auto &c : cases) {
        VolumeGeometry geometry{};
        ASSERT_TRUE(floppy_geometry_for_size(c.kilobytes * 1024, &geometry)) << c.kilobytes;
        EXPECT_EQ(geometry.kind, MediumKind::Floppy);
        EXPECT_EQ(geometry.cylinders, c.cylinders);
        EXPECT_EQ(geometry.tracks_per_cylinder, c.heads);
        EXPECT_EQ(geometry.sectors_per_track, c.sectors_per_track);
        EXPECT_EQ(geometry.bytes_per_sector, 512u);
    }
    VolumeGeometry geometry{};
    EXPECT_FALSE(floppy_geometry_for_size(1440 * 1024 + 512, &geometry));
    EXPECT_FALSE(floppy_geometry_for_size(16 * 1024 * 1024, &geometry));
}

std::vector<unsigned char> master_boot_record() {
    std::vector<unsigned char> record(512, 0);
    auto entry = [&record](int index, uint8_t type, uint32_t start) {
        unsigned char *at = &record[0x1BE + 16 * index];
        at[4] = type;
        for (int i = 0; i < 4; ++i) at[8 + i] = static_cast<unsigned char>(start >> (8 * i));
    };
    entry(0, 0x06, 2048);
    entry(2, 0x83, 100000);
    record[0x1FE] = 0x55;
    record[0x1FF] = 0xAA;
    return record;
}

TEST(MasterBootRecord, gives_the_type_of_the_partition_at_the_start_sector) {
    const std::vector<unsigned char> record = master_boot_record();
    EXPECT_EQ(mbr_partition_type(record.data(), 2048), 0x06);
    EXPECT_EQ(mbr_partition_type(record.data(), 100000), 0x83);
    EXPECT_EQ(mbr_partition_type(record.data(), 63), 0x00);
    EXPECT_EQ(mbr_partition_type(record.data(), 0), 0x00) << "unused entries start at 0";
}

TEST(MasterBootRecord, without_a_signature_there_are_no_partitions) {
    std::vector<unsigned char> record = master_boot_record();
    record[0x1FF] = 0;
    EXPECT_EQ(mbr_partition_type(record.data(), 2048), 0x00);
}

}  // namespace
}  // namespace ombix::bootdisk
