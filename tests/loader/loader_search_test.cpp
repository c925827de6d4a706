// Finding the boot file: entry size, every entry searched, where its data
// starts and how many sectors are loaded.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

namespace {

TEST(DirectorySearch, AVxextVolumeSteps64ByteEntriesAndTakesClusterAndSizeFrom0x3AAnd0x3C) {
    BootScenario s;
    s.volume.oemName = "VXEXT1.0";
    s.entryIndex = 9;  // the second entry of the second sector: 8 entries per sector
    s.volume.entries.push_back({"OTHER   SYS", 9, 100, 8});
    s.file = PatternFile(1024);
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.Word(0x7C36), 64);
    std::vector<DiskCall> reads = run.Reads();
    ASSERT_EQ(reads.size(), 2u + 3u);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(DirectorySearch, AnOrdinaryVolumeSteps32ByteEntries) {
    BootScenario s;
    s.volume.oemName = "VXEX1.0 ";  // not the five letters
    s.entryIndex = 17;  // second sector with 16 entries per sector
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.Word(0x7C36), 32);
    EXPECT_EQ(run.Reads().size(), 2u + 3u);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(DirectorySearch, SkipsNoEntryAndDoesNotStopAtAnEndOfDirectoryMark) {
    BootScenario s;
    // An empty entry (end mark) first, a deleted copy of the name, a label.
    s.volume.entries.push_back({std::string("\0OOTROM SYS", 11), 40, 99, 0});
    s.volume.entries.push_back({"\xE5OOTROM SYS", 41, 99, 1});
    s.volume.entries.push_back({"BOOTROM SY ", 42, 99, 2});
    s.entryIndex = 223;  // the very last entry of the root directory
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.Reads().size(), 14u + 3u);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(DirectorySearch, AMissingBootFileShowsTheNotFoundTextAfterSearchingTheWholeRootAndStops) {
    BootScenario s;
    s.withBootFile = false;
    s.volume.entries.push_back({"BOOTROM BIN", 3, 10, 0});
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!BOOTROM SYS");
    EXPECT_EQ(run.Reads().size(), 14u);
}

TEST(DirectorySearch, ARootDirectoryOf64KiBAndMoreIsCountedIn32Bits) {
    BootScenario s;
    s.volume.rootEntries = 2048;  // 65536 bytes: 128 sectors
    s.entryIndex = 2047;
    s.volume.sectorsPerCluster = 4;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.Reads().size(), 128u + 3u);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

struct SizeCase {
    uint32_t size;
    unsigned sectors;
};

void PrintTo(const SizeCase &c, std::ostream *out) { *out << c.size << " bytes"; }

class SectorCountTest : public testing::TestWithParam<SizeCase> {};

// One sector more than the whole sectors of the file, also for an exact multiple.
TEST_P(SectorCountTest, TheFileIsLoadedAsSizeDividedBySectorSizePlusOneSectors) {
    BootScenario s;
    s.file = PatternFile(GetParam().size);
    s.cluster = 7;
    s.volume.sectorsPerCluster = 2;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    std::vector<DiskCall> reads = run.Reads();
    ASSERT_EQ(reads.size(), 1u + GetParam().sectors);
    std::vector<uint64_t> expected = ExpectedReads(s.volume, s.entryIndex, s.cluster, GetParam().size);
    for (unsigned i = 0; i < GetParam().sectors; ++i) {
        EXPECT_EQ(reads[1 + i].segment, 0x0800 + 0x20 * i);
        EXPECT_EQ(reads[1 + i].offset, 0);
    }
    EXPECT_EQ(run.screen, "V1.6" + std::string(GetParam().sectors, '+'));
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

INSTANTIATE_TEST_SUITE_P(FileSizes, SectorCountTest,
                         testing::Values(SizeCase{0, 1}, SizeCase{1, 1}, SizeCase{511, 1}, SizeCase{512, 2},
                                         SizeCase{1024, 3}, SizeCase{1025, 3}, SizeCase{20000, 40}),
                         [](const testing::TestParamInfo<SizeCase> &param) {
                             return "Bytes" + std::to_string(param.param.size);
                         });

TEST(DirectorySearch, DataStartsBehindTheRootDirectoryWithClusterTwoFirst) {
    BootScenario s;
    s.volume.sectorsPerCluster = 4;
    s.volume.reservedSectors = 3;
    s.volume.numberOfFats = 1;
    s.cluster = 2;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    // 3 reserved + 9 FAT + 14 root directory sectors
    EXPECT_EQ(run.Reads().at(1).sector, (3 + 9 + 14) % 18 + 1);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

struct LongSectorCase {
    uint16_t bytesPerSector;
    uint16_t sectorsPerFat;
    bool hardDisk;  // beyond CHS reach, read by extended reads
};

void PrintTo(const LongSectorCase &c, std::ostream *out) { *out << c.bytesPerSector << " bytes per sector"; }

class LongSectorTest : public testing::TestWithParam<LongSectorCase> {};

// Each sector goes one whole sector higher than the one before; a 4096-byte
// directory sector at 0000:7E00 reaches over the load address and is read
// before any of the file.
TEST_P(LongSectorTest, SectorsLongerThan512BytesAreLoadedOneWholeSectorApart) {
    const LongSectorCase &c = GetParam();
    BootScenario s;
    s.disk.bytesPerSector = c.bytesPerSector;
    s.volume.bytesPerSector = c.bytesPerSector;
    s.volume.sectorsPerFat = c.sectorsPerFat;
    if (c.hardDisk) {
        s.drive = 0x80;
        s.disk.isFloppy = false;
        s.disk.offersExtendedRead = true;
        s.disk.cylinders = 1024;
        s.disk.heads = s.volume.numberOfHeads = 16;
        s.disk.sectorsPerTrack = s.volume.sectorsPerTrack = 63;
        s.volume.hiddenSectors = 1100u * 16 * 63;
    }
    s.file = PatternFile(3u * c.bytesPerSector - 100);
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    std::vector<DiskCall> reads = run.Reads();
    ASSERT_EQ(reads.size(), 1u + 3u);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(reads[1 + i].function, c.hardDisk ? 0x42 : 0x02);
        EXPECT_EQ(reads[1 + i].segment, 0x0800 + i * c.bytesPerSector / 16);
        EXPECT_EQ(reads[1 + i].offset, 0);
    }
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, LongSectorTest,
                         testing::Values(LongSectorCase{1024, 5, false}, LongSectorCase{2048, 3, false},
                                         LongSectorCase{4096, 1, true}),
                         [](const testing::TestParamInfo<LongSectorCase> &param) {
                             return "Bytes" + std::to_string(param.param.bytesPerSector);
                         });

}  // namespace
