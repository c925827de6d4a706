// Where the loader reads: CHS addresses from the BIOS geometry on a hard disk
// (the BPB's on a floppy, or when the BIOS has none), and extended reads
// beyond CHS reach.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

namespace ombix::bootdisk {
namespace {

struct Chs {
    unsigned cylinder, head, sector;
    bool operator==(const Chs &other) const {
        return cylinder == other.cylinder && head == other.head && sector == other.sector;
    }
};

std::ostream &operator<<(std::ostream &out, const Chs &chs) {
    return out << "C" << chs.cylinder << "/H" << chs.head << "/S" << chs.sector;
}

struct GeometryCase {
    std::string name;
    unsigned cylinders, heads, sectors_per_track;  // what the disk really has
    bool bios_reports_parameters;
    uint16_t bpb_heads, bpb_sectors_per_track;
    uint8_t drive;
    uint32_t hidden_sectors;
    uint8_t sectors_per_cluster;
    uint16_t sectors_per_fat;
    Chs first_read;  // the first root directory sector, worked out by hand
};

// GoogleTest would otherwise print the bytes of the case, padding included.
void PrintTo(const GeometryCase &c, std::ostream *out) {
    *out << c.name;
}

class ChsReadTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(ChsReadTest, every_read_uses_the_chs_address_of_its_sector_and_the_file_arrives_whole) {
    const GeometryCase &c = GetParam();
    BootScenario s;
    s.drive = c.drive;
    s.disk.cylinders = c.cylinders;
    s.disk.heads = c.heads;
    s.disk.sectors_per_track = c.sectors_per_track;
    s.disk.is_floppy = c.drive < 0x80;
    s.disk.reports_parameters = c.bios_reports_parameters;
    s.volume.bpb.number_of_heads = c.bpb_heads;
    s.volume.bpb.sectors_per_track = c.bpb_sectors_per_track;
    s.volume.bpb.hidden_sectors = c.hidden_sectors;
    s.volume.bpb.sectors_per_cluster = c.sectors_per_cluster;
    s.volume.bpb.sectors_per_fat_16 = c.sectors_per_fat;
    s.volume.bpb.root_directory_entries = 512;
    s.entry_index = 40;  // in the third root directory sector
    s.file = pattern_file(5000);

    LoaderRun run = s.boot();

    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    std::vector<DiskCall> reads = run.reads();
    std::vector<uint64_t> expected = expected_reads(s.volume, s.entry_index, s.cluster, 5000);
    ASSERT_EQ(reads.size(), expected.size());
    EXPECT_EQ((Chs{reads[0].cylinder, reads[0].head, reads[0].sector}), c.first_read);
    for (size_t i = 0; i < reads.size(); ++i) {
        uint64_t number = expected[i];
        uint64_t track = number / c.sectors_per_track;
        Chs want{static_cast<unsigned>(track / c.heads), static_cast<unsigned>(track % c.heads),
                 static_cast<unsigned>(number % c.sectors_per_track + 1)};
        EXPECT_EQ(reads[i].function, 0x02) << i;
        EXPECT_EQ((Chs{reads[i].cylinder, reads[i].head, reads[i].sector}), want) << "read " << i;
        EXPECT_EQ(reads[i].drive, c.drive);
        EXPECT_FALSE(reads[i].failed) << i;
    }
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.word(in_memory(bpb::kSectorsPerTrack)), c.sectors_per_track);
    EXPECT_EQ(run.word(in_memory(bpb::kNumberOfHeads)), c.heads);
}

// Hard disks carry their partition start as hidden sectors; the boot
// sector is loaded from there.
INSTANTIATE_TEST_SUITE_P(
    Geometries, ChsReadTest,
    testing::Values(
        // 1 + 2 * 9 = 19 = track 1 (head 1), sector 2
        GeometryCase{"floppy_1440k", 80, 2, 18, true, 2, 18, 0x00, 0, 1, 9, {0, 1, 2}},
        // 1 + 2 * 3 = 7: sector 8 of the first track
        GeometryCase{"floppy_720k", 80, 2, 9, true, 2, 9, 0x00, 0, 2, 3, {0, 0, 8}},
        // 1 + 2 * 9 = 19 on 36-sector tracks
        GeometryCase{"floppy_2880k", 80, 2, 36, true, 2, 36, 0x00, 0, 2, 9, {0, 0, 20}},
        // On a hard disk the BIOS geometry wins over a BPB written for another one.
        GeometryCase{"hard_disk_bios_geometry_over_bpb", 1024, 16, 63, true, 255, 32, 0x80, 2048, 4, 200, {2, 6, 56}},
        // A BIOS without drive parameters: the BPB geometry is used.
        GeometryCase{"bios_fails_parameters", 1024, 16, 63, false, 16, 63, 0x80, 2048, 4, 200, {2, 6, 56}},
        // 2048 + 1 + 2 * 200 = 2449 = track 38 (63 sectors), cylinder 2, head 6, sector 56
        GeometryCase{"hard_disk_16_heads", 1024, 16, 63, true, 16, 63, 0x80, 2048, 4, 200, {2, 6, 56}},
        // Partition at cylinder 600: 604800 + 401 = track 9606, sector 24;
        // cylinder bits 8 and 9 travel in CL.
        GeometryCase{
            "hard_disk_cylinder_above_255", 1024, 16, 63, true, 16, 63, 0x80, 600 * 16 * 63, 4, 200, {600, 6, 24}},
        // 256 heads, DH = 255 from the BIOS. Partition at cylinder 200, head
        // 255: (51455 * 63) + 401 = track 51461, sector 24 = cylinder 201, head 5.
        GeometryCase{
            "bios_with_256_heads", 1024, 256, 63, true, 255, 63, 0x80, (200 * 256 + 255) * 63, 4, 200, {201, 5, 24}}),
    [](const testing::TestParamInfo<GeometryCase> &param) { return param.param.name; });

TEST(BootGeometry, a_failed_drive_parameter_call_leaves_the_bpb_values_in_the_boot_sector) {
    BootScenario s;
    s.drive = 0x80;
    s.disk.is_floppy = false;
    s.disk.reports_parameters = false;
    s.disk.sectors_per_track = 9;
    s.volume.bpb.sectors_per_track = 9;
    s.volume.bpb.sectors_per_fat_16 = 3;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.word(in_memory(bpb::kSectorsPerTrack)), 9);
    EXPECT_EQ(run.word(in_memory(bpb::kNumberOfHeads)), 2);
    EXPECT_EQ(run.disk_calls.at(0).function, 0x08);
}

TEST(BootGeometry, a_floppy_boot_does_not_ask_the_bios_for_the_drive_geometry) {
    BootScenario s;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    for (const DiskCall &call : run.disk_calls) EXPECT_NE(call.function, 0x08);
}

// Sectors that CHS cannot address: a cylinder of 1024 or more, or a track
// number above 16 bits.
struct FarSectorCase {
    std::string name;
    unsigned heads, sectors_per_track;
    uint32_t hidden_sectors;
};

void PrintTo(const FarSectorCase &c, std::ostream *out) {
    *out << c.name;
}

class FarSectorTest : public testing::TestWithParam<FarSectorCase> {
protected:
    BootScenario scenario(bool extended) const {
        const FarSectorCase &c = GetParam();
        BootScenario s;
        s.drive = 0x80;
        s.disk.is_floppy = false;
        s.disk.cylinders = 1024;
        s.disk.heads = c.heads;
        s.disk.sectors_per_track = c.sectors_per_track;
        s.disk.offers_extended_read = extended;
        s.volume.bpb.number_of_heads = static_cast<uint16_t>(c.heads);
        s.volume.bpb.sectors_per_track = static_cast<uint16_t>(c.sectors_per_track);
        s.volume.bpb.hidden_sectors = c.hidden_sectors;
        s.volume.bpb.sectors_per_cluster = 4;
        s.volume.bpb.sectors_per_fat_16 = 200;
        return s;
    }
};

TEST_P(FarSectorTest, are_read_with_the_extended_read_when_the_bios_offers_it) {
    BootScenario s = scenario(true);
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    std::vector<DiskCall> reads = run.reads();
    std::vector<uint64_t> expected = expected_reads(s.volume, s.entry_index, s.cluster, 1500);
    ASSERT_EQ(reads.size(), expected.size());
    for (size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].function, 0x42) << i;
        EXPECT_EQ(reads[i].extended_sector, expected[i]) << i;
    }
    EXPECT_EQ(reads.back().segment, 0x0800 + 0x20 * (reads.size() - 2));
    EXPECT_EQ(reads.back().offset, 0);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.screen, "V1.6+++");
}

TEST_P(FarSectorTest, stop_with_the_read_error_when_the_bios_has_no_extended_read) {
    BootScenario s = scenario(false);
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_TRUE(run.reads().empty());
}

INSTANTIATE_TEST_SUITE_P(BeyondChs, FarSectorTest,
                         testing::Values(
                             // Cylinder 1100 of a 16-head disk (track 17600 would fit 16 bits).
                             FarSectorCase{"cylinder_1024_and_up", 16, 63, 1100u * 16 * 63},
                             // Track 70000 (cylinder 274) of a disk the BIOS describes with 2 sectors per track.
                             FarSectorCase{"track_above_16_bits", 255, 2, 140000}),
                         [](const testing::TestParamInfo<FarSectorCase> &param) { return param.param.name; });

TEST(BootGeometry, a_bios_reporting_no_sectors_per_track_is_served_by_extended_reads) {
    BootScenario s;
    s.drive = 0x80;
    s.disk.is_floppy = false;
    s.disk.sectors_per_track = 0;
    s.disk.offers_extended_read = true;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    for (const DiskCall &read : run.reads()) EXPECT_EQ(read.function, 0x42);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_TRUE(run.faults.empty());
}

TEST(BootGeometry, a_bpb_without_heads_does_not_divide_by_zero) {
    BootScenario s;
    s.disk.reports_parameters = false;
    s.volume.bpb.number_of_heads = 0;
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_TRUE(run.faults.empty());
}

}  // namespace
}  // namespace ombix::bootdisk
