// Booting under BIOSes that are not ideal: other entry segments, registers
// and stack bytes the BIOS does not keep, extension checks that say no, and
// floppy drives that report their own geometry rather than the medium's.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

namespace ombix::bootdisk {
namespace {

// The sector number a successful read went to.
uint64_t sector_of(const DiskCall &read, const SimDisk &disk) {
    if (read.function == 0x42) return read.extended_sector;
    uint64_t number = ~0ull;
    disk.chs_to_sector(read.cylinder, read.head, read.sector, &number);
    return number;
}

std::vector<uint64_t> good_read_sectors(const LoaderRun &run, const SimDisk &disk) {
    std::vector<uint64_t> sectors;
    for (const DiskCall &read : run.reads())
        if (!read.failed) sectors.push_back(sector_of(read, disk));
    return sectors;
}

struct QuirkCase {
    std::string name;
    BiosQuirks bios;
};

struct DiskCase {
    std::string name;
    uint8_t drive;
    unsigned heads, sectors_per_track;
    uint32_t hidden_sectors;
    bool extended_reads;  // the volume lies beyond CHS reach
};

void PrintTo(const QuirkCase &c, std::ostream *out) {
    *out << c.name;
}
void PrintTo(const DiskCase &c, std::ostream *out) {
    *out << c.name;
}

BiosQuirks all_quirks() {
    BiosQuirks bios;
    bios.entry_segment = 0x07C0;
    bios.entry_ds = 0x0040;
    bios.clobbers_registers = true;
    bios.stack_bytes_used = 4096;
    return bios;
}

class QuirkyBiosTest : public testing::TestWithParam<std::tuple<QuirkCase, DiskCase>> {};

// Every path of the loader under each quirk: the directory search, the load,
// a retry after two failed reads, CHS and extended reads, the texts.
TEST_P(QuirkyBiosTest, loads_the_whole_file_and_hands_over_the_drive) {
    const QuirkCase &quirk = std::get<0>(GetParam());
    const DiskCase &d = std::get<1>(GetParam());
    BootScenario s;
    s.bios = quirk.bios;
    s.drive = d.drive;
    s.disk.is_floppy = d.drive < 0x80;
    s.disk.cylinders = 1024;
    s.disk.heads = d.heads;
    s.disk.sectors_per_track = d.sectors_per_track;
    s.disk.offers_extended_read = d.extended_reads;
    s.volume.bpb.number_of_heads = static_cast<uint16_t>(d.heads);
    s.volume.bpb.sectors_per_track = static_cast<uint16_t>(d.sectors_per_track);
    s.volume.bpb.hidden_sectors = d.hidden_sectors;
    s.entry_index = 20;  // in the second root directory sector
    s.file = pattern_file(2600);
    s.disk.failures_left[s.volume.cluster_sector(s.cluster) + 1] = 2;

    LoaderRun run = s.boot();

    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.entry_cs, quirk.bios.entry_segment);
    EXPECT_EQ(run.entry_ip, kBootSectorAddress - quirk.bios.entry_segment * 16);
    EXPECT_TRUE(run.faults.empty()) << run.faults.front();
    EXPECT_EQ(good_read_sectors(run, s.disk), expected_reads(s.volume, s.entry_index, s.cluster, 2600));
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.screen, "V1.6++++++");
    EXPECT_EQ(run.cs, 0x0800);
    EXPECT_EQ(run.dl, d.drive);
    EXPECT_EQ(run.bytes(in_memory(bpb::kDriveNumber), 1).at(0), d.drive);
}

INSTANTIATE_TEST_SUITE_P(
    Bioses, QuirkyBiosTest,
    testing::Combine(testing::Values(QuirkCase{"enters_with_ds_40", {0, 0x0040, false, 0}},
                                     QuirkCase{"enters_at_07c0", {0x07C0, 0, false, 0}},
                                     QuirkCase{"clobbers_registers", {0, 0, true, 0}},
                                     QuirkCase{"uses_4_kib_of_the_callers_stack", {0, 0, false, 4096}},
                                     QuirkCase{"all_at_once", all_quirks()}),
                     testing::Values(DiskCase{"floppy", 0x00, 2, 18, 0, false},
                                     DiskCase{"hard_disk", 0x80, 16, 63, 2048, false},
                                     // Cylinder 1100 of a 16-head disk: extended reads.
                                     DiskCase{"hard_disk_beyond_chs", 0x80, 16, 63, 1100u * 16 * 63, true})),
    [](const testing::TestParamInfo<std::tuple<QuirkCase, DiskCase>> &param) {
        return std::get<0>(param.param).name + "_" + std::get<1>(param.param).name;
    });

struct CheckCase {
    std::string name;
    ExtensionsCheck check;
};

void PrintTo(const CheckCase &c, std::ostream *out) {
    *out << c.name;
}

class ExtensionsCheckTest : public testing::TestWithParam<CheckCase> {};

// A BIOS whose check says no is taken at its word, even if its extended
// read would answer: a sector beyond CHS reach is then a read error.
TEST_P(ExtensionsCheckTest, that_fails_leaves_sectors_beyond_chs_reach_unread_and_shows_the_read_error) {
    BootScenario s;
    s.drive = 0x80;
    s.disk.is_floppy = false;
    s.disk.cylinders = 1024;
    s.disk.heads = 16;
    s.disk.sectors_per_track = 63;
    s.disk.offers_extended_read = true;
    s.disk.extensions_check = GetParam().check;
    s.volume.bpb.number_of_heads = 16;
    s.volume.bpb.sectors_per_track = 63;
    s.volume.bpb.hidden_sectors = 1100u * 16 * 63;
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_TRUE(run.reads().empty());
    EXPECT_TRUE(run.faults.empty());
}

INSTANTIATE_TEST_SUITE_P(Failures, ExtensionsCheckTest,
                         testing::Values(CheckCase{"sets_carry", ExtensionsCheck::SetsCarry},
                                         CheckCase{"keeps_signature", ExtensionsCheck::KeepsSignature},
                                         CheckCase{"lacks_packet_access", ExtensionsCheck::LacksPacketAccess}),
                         [](const testing::TestParamInfo<CheckCase> &param) { return param.param.name; });

struct FloppyCase {
    std::string name;
    DiskGeometry medium;
    DiskGeometry drive;  // what INT 13h 08h reports
    uint8_t sectors_per_cluster;
    uint16_t sectors_per_fat, root_entries;
    uint32_t total_sectors;
};

void PrintTo(const FloppyCase &c, std::ostream *out) {
    *out << c.name;
}

class FloppyMediumTest : public testing::TestWithParam<FloppyCase> {};

// A floppy drive reports its own geometry, whatever disk is in it; the BPB
// describes the disk, and a floppy boot goes by the BPB.
TEST_P(FloppyMediumTest, is_read_by_the_geometry_of_its_bpb) {
    const FloppyCase &c = GetParam();
    BootScenario s;
    s.disk.cylinders = c.medium.cylinders;
    s.disk.heads = c.medium.heads;
    s.disk.sectors_per_track = c.medium.sectors_per_track;
    s.disk.drive_geometry = c.drive;
    s.volume.bpb.number_of_heads = static_cast<uint16_t>(c.medium.heads);
    s.volume.bpb.sectors_per_track = static_cast<uint16_t>(c.medium.sectors_per_track);
    s.volume.bpb.sectors_per_cluster = c.sectors_per_cluster;
    s.volume.bpb.sectors_per_fat_16 = c.sectors_per_fat;
    s.volume.bpb.root_directory_entries = c.root_entries;
    s.volume.bpb.total_sectors_16 = c.total_sectors;
    s.file = pattern_file(6000);  // crosses a track of every medium
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    for (const DiskCall &read : run.reads()) EXPECT_FALSE(read.failed);
    EXPECT_EQ(good_read_sectors(run, s.disk), expected_reads(s.volume, s.entry_index, s.cluster, 6000));
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.word(in_memory(bpb::kSectorsPerTrack)), c.medium.sectors_per_track);
    EXPECT_EQ(run.word(in_memory(bpb::kNumberOfHeads)), c.medium.heads);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, FloppyMediumTest,
    testing::Values(FloppyCase{"disk_720k_in_a_1440k_drive", {80, 2, 9}, {80, 2, 18}, 2, 3, 112, 1440},
                    FloppyCase{"disk_1440k_in_a_2880k_drive", {80, 2, 18}, {80, 2, 36}, 1, 9, 224, 2880},
                    FloppyCase{"disk_360k_in_a_1200k_drive", {40, 2, 9}, {80, 2, 15}, 2, 2, 112, 720},
                    // CX = 0: no sectors per track, as some BIOSes answer for a floppy drive.
                    FloppyCase{"drive_reporting_cx_zero", {80, 2, 18}, {1, 2, 0}, 1, 9, 224, 2880}),
    [](const testing::TestParamInfo<FloppyCase> &param) { return param.param.name; });

}  // namespace
}  // namespace ombix::bootdisk
