// Finding the boot file: entry size, every entry searched, where its data
// starts and how many sectors are loaded.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

namespace ombix::bootdisk {
namespace {

TEST(DirectorySearch, a_vxext_volume_steps_64_byte_entries_and_takes_cluster_and_size_from_0x3a_and_0x3c) {
    BootScenario s;
    s.volume.bpb.oem_name = "VXEXT1.0";
    s.entry_index = 9;  // the second entry of the second sector: 8 entries per sector
    s.volume.entries.push_back({"OTHER   SYS", 9, 100, 8});
    s.file = pattern_file(1024);
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.word(in_memory(bpb::kFileSystemType)), 64);
    std::vector<DiskCall> reads = run.reads();
    ASSERT_EQ(reads.size(), 2u + 3u);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(DirectorySearch, an_ordinary_volume_steps_32_byte_entries) {
    BootScenario s;
    s.volume.bpb.oem_name = "VXEX1.0 ";  // not the five letters
    s.entry_index = 17;                  // second sector with 16 entries per sector
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.word(in_memory(bpb::kFileSystemType)), 32);
    EXPECT_EQ(run.reads().size(), 2u + 3u);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(DirectorySearch, skips_no_entry_and_does_not_stop_at_an_end_of_directory_mark) {
    BootScenario s;
    // An empty entry (end mark) first, a deleted copy of the name, a label.
    s.volume.entries.push_back({std::string("\0OOTROM SYS", 11), 40, 99, 0});
    s.volume.entries.push_back({"\xE5OOTROM SYS", 41, 99, 1});
    s.volume.entries.push_back({"BOOTROM SY ", 42, 99, 2});
    s.entry_index = 223;  // the very last entry of the root directory
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.reads().size(), 14u + 3u);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(DirectorySearch, a_missing_boot_file_shows_the_not_found_text_after_searching_the_whole_root_and_stops) {
    BootScenario s;
    s.with_boot_file = false;
    s.volume.entries.push_back({"BOOTROM BIN", 3, 10, 0});
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!BOOTROM SYS");
    EXPECT_EQ(run.reads().size(), 14u);
}

TEST(DirectorySearch, a_root_directory_of_64_kib_and_more_is_counted_in_32_bits) {
    BootScenario s;
    s.volume.bpb.root_directory_entries = 2048;  // 65536 bytes: 128 sectors
    s.entry_index = 2047;
    s.volume.bpb.sectors_per_cluster = 4;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.reads().size(), 128u + 3u);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

struct SizeCase {
    uint32_t size;
    unsigned sectors;
};

void PrintTo(const SizeCase &c, std::ostream *out) {
    *out << c.size << " bytes";
}

class SectorCountTest : public testing::TestWithParam<SizeCase> {};

// One sector more than the whole sectors of the file, also for an exact multiple.
TEST_P(SectorCountTest, the_file_is_loaded_as_size_divided_by_sector_size_plus_one_sectors) {
    BootScenario s;
    s.file = pattern_file(GetParam().size);
    s.cluster = 7;
    s.volume.bpb.sectors_per_cluster = 2;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    std::vector<DiskCall> reads = run.reads();
    ASSERT_EQ(reads.size(), 1u + GetParam().sectors);
    std::vector<uint64_t> expected = expected_reads(s.volume, s.entry_index, s.cluster, GetParam().size);
    for (unsigned i = 0; i < GetParam().sectors; ++i) {
        EXPECT_EQ(reads[1 + i].segment, 0x0800 + 0x20 * i);
        EXPECT_EQ(reads[1 + i].offset, 0);
    }
    EXPECT_EQ(run.screen, "V1.6" + std::string(GetParam().sectors, '+'));
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

INSTANTIATE_TEST_SUITE_P(FileSizes, SectorCountTest,
                         testing::Values(SizeCase{0, 1}, SizeCase{1, 1}, SizeCase{511, 1}, SizeCase{512, 2},
                                         SizeCase{1024, 3}, SizeCase{1025, 3}, SizeCase{20000, 40}),
                         [](const testing::TestParamInfo<SizeCase> &param) {
                             return "bytes_" + std::to_string(param.param.size);
                         });

TEST(DirectorySearch, data_starts_behind_the_root_directory_with_cluster_two_first) {
    BootScenario s;
    s.volume.bpb.sectors_per_cluster = 4;
    s.volume.bpb.reserved_sectors = 3;
    s.volume.bpb.number_of_fats = 1;
    s.cluster = 2;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    // 3 reserved + 9 FAT + 14 root directory sectors
    EXPECT_EQ(run.reads().at(1).sector, (3 + 9 + 14) % 18 + 1);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

struct LongSectorCase {
    uint16_t bytes_per_sector;
    uint16_t sectors_per_fat;
    bool hard_disk;  // beyond CHS reach, read by extended reads
};

void PrintTo(const LongSectorCase &c, std::ostream *out) {
    *out << c.bytes_per_sector << " bytes per sector";
}

class LongSectorTest : public testing::TestWithParam<LongSectorCase> {};

// Each sector goes one whole sector higher than the one before; a 4096-byte
// directory sector at 0000:7E00 reaches over the load address and is read
// before any of the file.
TEST_P(LongSectorTest, sectors_longer_than_512_bytes_are_loaded_one_whole_sector_apart) {
    const LongSectorCase &c = GetParam();
    BootScenario s;
    s.disk.bytes_per_sector = c.bytes_per_sector;
    s.volume.bpb.bytes_per_sector = c.bytes_per_sector;
    s.volume.bpb.sectors_per_fat_16 = c.sectors_per_fat;
    if (c.hard_disk) {
        s.drive = 0x80;
        s.disk.is_floppy = false;
        s.disk.offers_extended_read = true;
        s.disk.cylinders = 1024;
        s.disk.heads = s.volume.bpb.number_of_heads = 16;
        s.disk.sectors_per_track = s.volume.bpb.sectors_per_track = 63;
        s.volume.bpb.hidden_sectors = 1100u * 16 * 63;
    }
    s.file = pattern_file(3u * c.bytes_per_sector - 100);
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    std::vector<DiskCall> reads = run.reads();
    ASSERT_EQ(reads.size(), 1u + 3u);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(reads[1 + i].function, c.hard_disk ? 0x42 : 0x02);
        EXPECT_EQ(reads[1 + i].segment, 0x0800 + i * c.bytes_per_sector / 16);
        EXPECT_EQ(reads[1 + i].offset, 0);
    }
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, LongSectorTest,
                         testing::Values(LongSectorCase{1024, 5, false}, LongSectorCase{2048, 3, false},
                                         LongSectorCase{4096, 1, true}),
                         [](const testing::TestParamInfo<LongSectorCase> &param) {
                             return "bytes_" + std::to_string(param.param.bytes_per_sector);
                         });

}  // namespace
}  // namespace ombix::bootdisk
