// How the Linux build maps drive letters to images and describes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux_volume.h"

namespace {

TEST(VolumeVariable, IsNamedAfterTheUpperCaseDriveLetter) {
    char name[32];
    ASSERT_TRUE(volumeVariableName("\\\\.\\E:", name, sizeof name));
    EXPECT_STREQ(name, "VXBOOTDISK_E");
    ASSERT_TRUE(volumeVariableName("\\\\.\\a:", name, sizeof name));
    EXPECT_STREQ(name, "VXBOOTDISK_A");
    EXPECT_FALSE(volumeVariableName("\\\\.\\1:", name, sizeof name));
    EXPECT_FALSE(volumeVariableName("\\\\.\\AB:", name, sizeof name));
    EXPECT_FALSE(volumeVariableName("\\\\.\\A:", name, 12)) << "no room for the terminator";
}

struct SpecCase {
    const char *value;
    bool valid;
    const char *path;
    bool hasStart;
    uint32_t start;
};

TEST(VolumeSpec, SplitsPathAndStartSector) {
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
        int hasStart = 99;
        ASSERT_EQ(parseVolumeSpec(c.value, path, sizeof path, &start, &hasStart) != 0, c.valid) << c.value;
        if (!c.valid)
            continue;
        EXPECT_STREQ(path, c.path) << c.value;
        EXPECT_EQ(hasStart != 0, c.hasStart) << c.value;
        EXPECT_EQ(start, c.start) << c.value;
    }
}

TEST(VolumeSpec, RefusesAPathThatDoesNotFit) {
    char path[8];
    uint32_t start = 0;
    int hasStart = 0;
    EXPECT_FALSE(parseVolumeSpec("/tmp/long/path.img", path, sizeof path, &start, &hasStart));
    EXPECT_TRUE(parseVolumeSpec("/a.img@5", path, sizeof path, &start, &hasStart));
}

TEST(FloppyImages, StandardSizesGetTheirMediaTypeAndGeometry) {
    const struct {
        uint64_t kilobytes;
        uint32_t mediaType;
        int64_t cylinders;
        uint32_t heads;
        uint32_t sectorsPerTrack;
    } cases[] = {
        {160, 10, 40, 1, 8}, {180, 9, 40, 1, 9}, {320, 7, 40, 2, 8}, {360, 6, 40, 2, 9},
        {720, 5, 80, 2, 9}, {1200, 1, 80, 2, 15}, {1440, 2, 80, 2, 18}, {2880, 3, 80, 2, 36},
    };
    for (const auto &c : cases) {
        DriveGeometry geometry{};
        ASSERT_TRUE(floppyGeometryForSize(c.kilobytes * 1024, &geometry)) << c.kilobytes;
        EXPECT_EQ(geometry.mediaType, c.mediaType);
        EXPECT_EQ(geometry.cylinders, c.cylinders);
        EXPECT_EQ(geometry.tracksPerCylinder, c.heads);
        EXPECT_EQ(geometry.sectorsPerTrack, c.sectorsPerTrack);
        EXPECT_EQ(geometry.bytesPerSector, 512u);
    }
    DriveGeometry geometry{};
    EXPECT_FALSE(floppyGeometryForSize(1440 * 1024 + 512, &geometry));
    EXPECT_FALSE(floppyGeometryForSize(16 * 1024 * 1024, &geometry));
}

std::vector<unsigned char> masterBootRecord() {
    std::vector<unsigned char> record(512, 0);
    auto entry = [&record](int index, uint8_t type, uint32_t start) {
        unsigned char *at = &record[0x1BE + 16 * index];
        at[4] = type;
        for (int i = 0; i < 4; ++i)
            at[8 + i] = static_cast<unsigned char>(start >> (8 * i));
    };
    entry(0, 0x06, 2048);
    entry(2, 0x83, 100000);
    record[0x1FE] = 0x55;
    record[0x1FF] = 0xAA;
    return record;
}

TEST(MasterBootRecord, GivesTheTypeOfThePartitionAtTheStartSector) {
    const std::vector<unsigned char> record = masterBootRecord();
    EXPECT_EQ(mbrPartitionType(record.data(), 2048), 0x06);
    EXPECT_EQ(mbrPartitionType(record.data(), 100000), 0x83);
    EXPECT_EQ(mbrPartitionType(record.data(), 63), 0x00);
    EXPECT_EQ(mbrPartitionType(record.data(), 0), 0x00) << "unused entries start at 0";
}

TEST(MasterBootRecord, WithoutASignatureThereAreNoPartitions) {
    std::vector<unsigned char> record = masterBootRecord();
    record[0x1FF] = 0;
    EXPECT_EQ(mbrPartitionType(record.data(), 2048), 0x00);
}

}  // namespace
