// How the size and position of a volume follow from the drive's reports.
#include <gtest/gtest.h>

#include "medium_parameters.h"

namespace {

TEST(MediaTypes, UnknownRemovableAndFixedMediaArePartitioned) {
    for (uint32_t type = 0; type <= 30; ++type) {
        const bool partitioned = type == 0 || type == 11 || type == 12;
        EXPECT_EQ(isPartitionedMediaType(type) != 0, partitioned) << type;
    }
}

TEST(MediaTypes, TheFloppyFormatsAreOneToTwentyTwoWithoutTheDiskTypes) {
    for (uint32_t type = 0; type <= 30; ++type) {
        const bool floppy = type >= 1 && type <= 22 && type != 11 && type != 12;
        EXPECT_EQ(isFloppyMediaType(type) != 0, floppy) << type;
    }
    EXPECT_FALSE(isFloppyMediaType(0xFFFFFFFFu));
}

TEST(PartitionTypes, OnlyUnusedAndTheFatFamilyAreKnown) {
    for (int type = 0; type <= 0xFF; ++type) {
        const bool known = type == 0x00 || type == 0x01 || type == 0x04 || type == 0x06 ||
                           type == 0x0B || type == 0x0C || type == 0x0E;
        EXPECT_EQ(isKnownPartitionType(static_cast<uint8_t>(type)) != 0, known) << type;
    }
}

TEST(SectorSizes, PowersOfTwoFrom512To32768AreUsable) {
    for (uint32_t size : {512u, 1024u, 2048u, 4096u, 8192u, 16384u, 32768u})
        EXPECT_TRUE(isUsableSectorSize(size)) << size;
    for (uint32_t size : {0u, 1u, 128u, 256u, 511u, 520u, 1000u, 3072u, 65536u, 0x80000000u})
        EXPECT_FALSE(isUsableSectorSize(size)) << size;
}

TEST(PartitionedMedia, AStartOf63SectorsGives63HiddenSectors) {
    const DriveGeometry geometry{999, 12, 255, 63, 512};
    const PartitionInformation partition{63 * 512, 1000000 * 512LL, 0x06};
    const MediumParameters medium = partitionedMediumParameters(&geometry, &partition);
    EXPECT_EQ(medium.bytesPerSector, 512u);
    EXPECT_EQ(medium.mediumSizeInSectors, 1000000u);
    EXPECT_EQ(medium.hiddenSectors, 63u);
}

TEST(PartitionedMedia, SizesBeyond32BitsAreKeptAndHiddenSectorsKeepTheirLowBits) {
    const DriveGeometry geometry{1, 12, 1, 1, 4096};
    const PartitionInformation partition{(0x100000002LL) * 4096, 0x300000000LL * 4096, 0x0C};
    const MediumParameters medium = partitionedMediumParameters(&geometry, &partition);
    EXPECT_EQ(medium.mediumSizeInSectors, 0x300000000ull);
    EXPECT_EQ(medium.hiddenSectors, 2u);
}

TEST(PartitionedMedia, PartialSectorsAtTheEndDoNotCount) {
    const DriveGeometry geometry{1, 11, 1, 1, 512};
    const PartitionInformation partition{0, 512 * 10 + 511, 0x01};
    EXPECT_EQ(partitionedMediumParameters(&geometry, &partition).mediumSizeInSectors, 10u);
}

TEST(FloppyMedia, A144MbFloppyHas2880SectorsAndNoHiddenOnes) {
    const DriveGeometry geometry{80, 2, 2, 18, 512};
    const MediumParameters medium = floppyMediumParameters(&geometry);
    EXPECT_EQ(medium.bytesPerSector, 512u);
    EXPECT_EQ(medium.mediumSizeInSectors, 2880u);
    EXPECT_EQ(medium.hiddenSectors, 0u);
}

TEST(FloppyMedia, TheSizeProductDoesNotWrapAt32Bits) {
    const DriveGeometry geometry{0x10000, 1, 0x10000, 0x100, 512};
    EXPECT_EQ(floppyMediumParameters(&geometry).mediumSizeInSectors, 0x10000000000ull);
}

}  // namespace
