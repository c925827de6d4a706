// The boot sector check, condition by condition, and the merge of the loader.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>

#include "boot_sector.h"
#include "boot_template.h"
#include "fat_sectors.h"
#include "test_names.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct CheckCase {
    const char *behaviour;
    std::function<void(FatLayout &)> layout;
    std::function<void(Bytes &)> patch;  // applied after the sector is built
    uint32_t bytesPerSector;
    uint64_t mediumSize;
    uint32_t faults;  // exactly these conditions fail
};

const CheckCase kChecks[] = {
    {"a freshly formatted 1.44 MB floppy passes", nullptr, nullptr, 512, 2880, 0},
    {"a zero signature fails whatever the parameters", nullptr,
     [](Bytes &s) { s[0x1FE] = 0; s[0x1FF] = 0; }, 512, 2880, FAT_FAULT_SIGNATURE},
    {"65525 clusters are too many",
     [](FatLayout &l) { l.rootEntries = 512; l.fatSize16 = 256; l.totalSectors16 = 0;
                        l.totalSectors32 = 1 + 512 + 32 + 65525; },
     nullptr, 512, 70000, FAT_FAULT_TOO_MANY_CLUSTERS},
    {"65524 clusters are not too many",
     [](FatLayout &l) { l.rootEntries = 512; l.fatSize16 = 256; l.totalSectors16 = 0;
                        l.totalSectors32 = 1 + 512 + 32 + 65524; },
     nullptr, 512, 70000, 0},
    {"a sector size field unlike the medium's fails", [](FatLayout &l) { l.bytesPerSector = 1024; },
     nullptr, 512, 2880, FAT_FAULT_SECTOR_SIZE},
    {"no root directory entries fail", [](FatLayout &l) { l.rootEntries = 0; }, nullptr, 512, 2880,
     FAT_FAULT_NO_ROOT_DIRECTORY},
    {"three FATs fail", [](FatLayout &l) { l.fatCount = 3; }, nullptr, 512, 2880, FAT_FAULT_FAT_COUNT},
    {"no FAT fails", [](FatLayout &l) { l.fatCount = 0; }, nullptr, 512, 2880, FAT_FAULT_FAT_COUNT},
    {"one FAT passes", [](FatLayout &l) { l.fatCount = 1; }, nullptr, 512, 2880, 0},
    {"a volume one sector larger than the medium fails", nullptr, nullptr, 512, 2879,
     FAT_FAULT_BEYOND_MEDIUM},
    {"a 65536-byte cluster fails", [](FatLayout &l) { l.sectorsPerCluster = 128; }, nullptr, 512, 2880,
     FAT_FAULT_CLUSTER_BYTES},
    {"3 sectors per cluster fail", [](FatLayout &l) { l.sectorsPerCluster = 3; }, nullptr, 512, 2880,
     FAT_FAULT_CLUSTER_SECTORS},
    {"0 sectors per cluster fail", [](FatLayout &l) { l.sectorsPerCluster = 0; }, nullptr, 512, 2880,
     FAT_FAULT_CLUSTER_SECTORS},
    {"reserved sectors beyond the volume leave no data area",
     [](FatLayout &l) { l.reservedSectors = 2900; }, nullptr, 512, 2880, FAT_FAULT_LAYOUT},
    {"a FAT size that would wrap round in 32 bits leaves no data area",
     [](FatLayout &l) { l.fatSize16 = 0; l.fatSize32 = 0x80000000u; }, nullptr, 512, 2880,
     FAT_FAULT_LAYOUT},
    {"no reserved sector fails", [](FatLayout &l) { l.reservedSectors = 0; }, nullptr, 512, 2880,
     FAT_FAULT_NO_RESERVED},
    {"8 sectors per FAT are too few for the floppy", [](FatLayout &l) { l.fatSize16 = 8; }, nullptr,
     512, 2880, FAT_FAULT_FAT_TOO_SMALL},
    {"a FAT16 volume needs 16-bit entries",
     [](FatLayout &l) { l.totalSectors16 = 0; l.totalSectors32 = 65536; l.sectorsPerCluster = 4;
                        l.rootEntries = 512; l.fatSize16 = 50; },
     nullptr, 512, 65536, FAT_FAULT_FAT_TOO_SMALL},
    {"the 32-bit FAT size counts when the 16-bit one is 0",
     [](FatLayout &l) { l.fatSize16 = 0; l.fatSize32 = 9; }, nullptr, 512, 2880, 0},
    {"the signature at the end of a longer sector passes",
     [](FatLayout &l) { l.bytesPerSector = 1024; l.totalSectors16 = 1440; l.fatSize16 = 3; },
     [](Bytes &s) { s.resize(1024, 0); s[0x1FE] = 0; s[0x1FF] = 0; s[1022] = 0x55; s[1023] = 0xAA; },
     1024, 1440, 0},
    {"4096-byte sectors with 16 per cluster fail",
     [](FatLayout &l) { l.bytesPerSector = 4096; l.sectorsPerCluster = 16; l.totalSectors16 = 8000;
                        l.rootEntries = 512; l.fatSize16 = 1; },
     [](Bytes &s) { s.resize(4096, 0); }, 4096, 8000, FAT_FAULT_CLUSTER_BYTES},
};

void PrintTo(const CheckCase &row, std::ostream *out) {
    *out << row.behaviour;
}

class BootSectorCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(BootSectorCheck, FailsExactlyItsConditions) {
    const CheckCase &c = GetParam();
    FatLayout layout;
    if (c.layout)
        c.layout(layout);
    Bytes sector = fatBootSector(layout);
    if (c.patch)
        c.patch(sector);
    ASSERT_EQ(sector.size(), c.bytesPerSector);
    EXPECT_EQ(fatBootSectorFaults(sector.data(), c.bytesPerSector, c.mediumSize), c.faults);
    EXPECT_EQ(CheckFatBootSector(sector.data(), c.bytesPerSector, c.mediumSize) != 0, c.faults == 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, BootSectorCheck, testing::ValuesIn(kChecks), BEHAVIOUR_NAMES);

bool inMergedRange(size_t offset) {
    return offset < 0x003 || (offset >= 0x01C && offset < 0x020) || (offset >= 0x03E && offset < 0x1FE);
}

TEST(BuildBootSector, TakesJumpAndLoaderFromTheTemplateAndKeepsEverythingElse) {
    Bytes sector(2048);
    for (size_t i = 0; i < sector.size(); ++i)
        sector[i] = static_cast<unsigned char>(i * 13 + 5);
    const Bytes original = sector;
    BuildBootSector(sector.data(), 0x12345678);
    for (size_t i = 0; i < sector.size(); ++i) {
        if (i >= 0x01C && i < 0x020)
            continue;
        const unsigned char expected = inMergedRange(i) ? BootLoaderTemplate[i] : original[i];
        ASSERT_EQ(sector[i], expected) << "offset " << i;
    }
    EXPECT_EQ(sector[0x01C], 0x78);
    EXPECT_EQ(sector[0x01D], 0x56);
    EXPECT_EQ(sector[0x01E], 0x34);
    EXPECT_EQ(sector[0x01F], 0x12);
}

TEST(BuildBootSector, OfABlankSectorHoldsOnlyTheLoader) {
    Bytes sector(512, 0);
    BuildBootSector(sector.data(), 0);
    EXPECT_EQ(sector[0], 0xEB);
    EXPECT_EQ(sector[1], 0x3C);
    EXPECT_EQ(sector[2], 0x90);
    for (size_t i = 0x003; i < 0x03E; ++i)
        ASSERT_EQ(sector[i], 0) << "offset " << i;
    EXPECT_EQ(sector[0x1FE], 0);
    EXPECT_EQ(sector[0x1FF], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&sector[0x1EA])), "!BOOTROM SYS");
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&sector[0x1F9]), 5), "VXEXT");
}

}  // namespace
