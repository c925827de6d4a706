// Where the loader reads: CHS addresses from the BIOS geometry on a hard disk
// (the BPB's on a floppy, or when the BIOS has none), and extended reads
// beyond CHS reach.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

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
    unsigned cylinders, heads, sectorsPerTrack;  // what the disk really has
    bool biosReportsParameters;
    uint16_t bpbHeads, bpbSectorsPerTrack;
    uint8_t drive;
    uint32_t hiddenSectors;
    uint8_t sectorsPerCluster;
    uint16_t sectorsPerFat;
    Chs firstRead;  // the first root directory sector, worked out by hand
};

// GoogleTest would otherwise print the bytes of the case, padding included.
void PrintTo(const GeometryCase &c, std::ostream *out) { *out << c.name; }

class ChsReadTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(ChsReadTest, EveryReadUsesTheChsAddressOfItsSectorAndTheFileArrivesWhole) {
    const GeometryCase &c = GetParam();
    BootScenario s;
    s.drive = c.drive;
    s.disk.cylinders = c.cylinders;
    s.disk.heads = c.heads;
    s.disk.sectorsPerTrack = c.sectorsPerTrack;
    s.disk.isFloppy = c.drive < 0x80;
    s.disk.reportsParameters = c.biosReportsParameters;
    s.volume.numberOfHeads = c.bpbHeads;
    s.volume.sectorsPerTrack = c.bpbSectorsPerTrack;
    s.volume.hiddenSectors = c.hiddenSectors;
    s.volume.sectorsPerCluster = c.sectorsPerCluster;
    s.volume.sectorsPerFat = c.sectorsPerFat;
    s.volume.rootEntries = 512;
    s.entryIndex = 40;  // in the third root directory sector
    s.file = PatternFile(5000);

    LoaderRun run = s.Boot();

    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    std::vector<DiskCall> reads = run.Reads();
    std::vector<uint64_t> expected = ExpectedReads(s.volume, s.entryIndex, s.cluster, 5000);
    ASSERT_EQ(reads.size(), expected.size());
    EXPECT_EQ((Chs{reads[0].cylinder, reads[0].head, reads[0].sector}), c.firstRead);
    for (size_t i = 0; i < reads.size(); ++i) {
        uint64_t number = expected[i];
        uint64_t track = number / c.sectorsPerTrack;
        Chs want{static_cast<unsigned>(track / c.heads), static_cast<unsigned>(track % c.heads),
                 static_cast<unsigned>(number % c.sectorsPerTrack + 1)};
        EXPECT_EQ(reads[i].function, 0x02) << i;
        EXPECT_EQ((Chs{reads[i].cylinder, reads[i].head, reads[i].sector}), want) << "read " << i;
        EXPECT_EQ(reads[i].drive, c.drive);
        EXPECT_FALSE(reads[i].failed) << i;
    }
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.Word(0x7C18), c.sectorsPerTrack);
    EXPECT_EQ(run.Word(0x7C1A), c.heads);
}

// Hard disks carry their partition start as hidden sectors; the boot
// sector is loaded from there.
INSTANTIATE_TEST_SUITE_P(
    Geometries, ChsReadTest,
    testing::Values(
        // 1 + 2 * 9 = 19 = track 1 (head 1), sector 2
        GeometryCase{"Floppy1440", 80, 2, 18, true, 2, 18, 0x00, 0, 1, 9, {0, 1, 2}},
        // 1 + 2 * 3 = 7: sector 8 of the first track
        GeometryCase{"Floppy720", 80, 2, 9, true, 2, 9, 0x00, 0, 2, 3, {0, 0, 8}},
        // 1 + 2 * 9 = 19 on 36-sector tracks
        GeometryCase{"Floppy2880", 80, 2, 36, true, 2, 36, 0x00, 0, 2, 9, {0, 0, 20}},
        // On a hard disk the BIOS geometry wins over a BPB written for another one.
        GeometryCase{"HardDiskBiosGeometryOverBpb", 1024, 16, 63, true, 255, 32, 0x80, 2048, 4, 200, {2, 6, 56}},
        // A BIOS without drive parameters: the BPB geometry is used.
        GeometryCase{"BiosFailsParameters", 1024, 16, 63, false, 16, 63, 0x80, 2048, 4, 200, {2, 6, 56}},
        // 2048 + 1 + 2 * 200 = 2449 = track 38 (63 sectors), cylinder 2, head 6, sector 56
        GeometryCase{"HardDisk16Heads", 1024, 16, 63, true, 16, 63, 0x80, 2048, 4, 200, {2, 6, 56}},
        // Partition at cylinder 600: 604800 + 401 = track 9606, sector 24;
        // cylinder bits 8 and 9 travel in CL.
        GeometryCase{"HardDiskCylinderAbove255", 1024, 16, 63, true, 16, 63, 0x80, 600 * 16 * 63, 4, 200,
                     {600, 6, 24}},
        // 256 heads, DH = 255 from the BIOS. Partition at cylinder 200, head
        // 255: (51455 * 63) + 401 = track 51461, sector 24 = cylinder 201, head 5.
        GeometryCase{"BiosWith256Heads", 1024, 256, 63, true, 255, 63, 0x80, (200 * 256 + 255) * 63, 4, 200,
                     {201, 5, 24}}),
    [](const testing::TestParamInfo<GeometryCase> &param) { return param.param.name; });

TEST(BootGeometry, AFailedDriveParameterCallLeavesTheBpbValuesInTheBootSector) {
    BootScenario s;
    s.drive = 0x80;
    s.disk.isFloppy = false;
    s.disk.reportsParameters = false;
    s.disk.sectorsPerTrack = 9;
    s.volume.sectorsPerTrack = 9;
    s.volume.sectorsPerFat = 3;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.Word(0x7C18), 9);
    EXPECT_EQ(run.Word(0x7C1A), 2);
    EXPECT_EQ(run.diskCalls.at(0).function, 0x08);
}

TEST(BootGeometry, AFloppyBootDoesNotAskTheBiosForTheDriveGeometry) {
    BootScenario s;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    for (const DiskCall &call : run.diskCalls) EXPECT_NE(call.function, 0x08);
}

// Sectors that CHS cannot address: a cylinder of 1024 or more, or a track
// number above 16 bits.
struct FarSectorCase {
    std::string name;
    unsigned heads, sectorsPerTrack;
    uint32_t hiddenSectors;
};

void PrintTo(const FarSectorCase &c, std::ostream *out) { *out << c.name; }

class FarSectorTest : public testing::TestWithParam<FarSectorCase> {
  protected:
    BootScenario Scenario(bool extended) const {
        const FarSectorCase &c = GetParam();
        BootScenario s;
        s.drive = 0x80;
        s.disk.isFloppy = false;
        s.disk.cylinders = 1024;
        s.disk.heads = c.heads;
        s.disk.sectorsPerTrack = c.sectorsPerTrack;
        s.disk.offersExtendedRead = extended;
        s.volume.numberOfHeads = static_cast<uint16_t>(c.heads);
        s.volume.sectorsPerTrack = static_cast<uint16_t>(c.sectorsPerTrack);
        s.volume.hiddenSectors = c.hiddenSectors;
        s.volume.sectorsPerCluster = 4;
        s.volume.sectorsPerFat = 200;
        return s;
    }
};

TEST_P(FarSectorTest, AreReadWithTheExtendedReadWhenTheBiosOffersIt) {
    BootScenario s = Scenario(true);
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    std::vector<DiskCall> reads = run.Reads();
    std::vector<uint64_t> expected = ExpectedReads(s.volume, s.entryIndex, s.cluster, 1500);
    ASSERT_EQ(reads.size(), expected.size());
    for (size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].function, 0x42) << i;
        EXPECT_EQ(reads[i].extendedSector, expected[i]) << i;
    }
    EXPECT_EQ(reads.back().segment, 0x0800 + 0x20 * (reads.size() - 2));
    EXPECT_EQ(reads.back().offset, 0);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.screen, "V1.6+++");
}

TEST_P(FarSectorTest, StopWithTheReadErrorWhenTheBiosHasNoExtendedRead) {
    BootScenario s = Scenario(false);
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_TRUE(run.Reads().empty());
}

INSTANTIATE_TEST_SUITE_P(
    BeyondChs, FarSectorTest,
    testing::Values(
        // Cylinder 1100 of a 16-head disk (track 17600 would fit 16 bits).
        FarSectorCase{"Cylinder1024AndUp", 16, 63, 1100u * 16 * 63},
        // Track 70000 (cylinder 274) of a disk the BIOS describes with 2 sectors per track.
        FarSectorCase{"TrackAbove16Bits", 255, 2, 140000}),
    [](const testing::TestParamInfo<FarSectorCase> &param) { return param.param.name; });

TEST(BootGeometry, ABiosReportingNoSectorsPerTrackIsServedByExtendedReads) {
    BootScenario s;
    s.drive = 0x80;
    s.disk.isFloppy = false;
    s.disk.sectorsPerTrack = 0;
    s.disk.offersExtendedRead = true;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    for (const DiskCall &read : run.Reads()) EXPECT_EQ(read.function, 0x42);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_TRUE(run.faults.empty());
}

TEST(BootGeometry, ABpbWithoutHeadsDoesNotDivideByZero) {
    BootScenario s;
    s.disk.reportsParameters = false;
    s.volume.numberOfHeads = 0;
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_TRUE(run.faults.empty());
}

}  // namespace
