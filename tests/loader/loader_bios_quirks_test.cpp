// Booting under BIOSes that are not ideal: other entry segments, registers
// and stack bytes the BIOS does not keep, extension checks that say no, and
// floppy drives that report their own geometry rather than the medium's.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

namespace {

// The sector number a successful read went to.
uint64_t SectorOf(const DiskCall &read, const SimDisk &disk) {
    if (read.function == 0x42) return read.extendedSector;
    uint64_t number = ~0ull;
    disk.ChsToSector(read.cylinder, read.head, read.sector, &number);
    return number;
}

std::vector<uint64_t> GoodReadSectors(const LoaderRun &run, const SimDisk &disk) {
    std::vector<uint64_t> sectors;
    for (const DiskCall &read : run.Reads())
        if (!read.failed) sectors.push_back(SectorOf(read, disk));
    return sectors;
}

struct QuirkCase {
    std::string name;
    BiosQuirks bios;
};

struct DiskCase {
    std::string name;
    uint8_t drive;
    unsigned heads, sectorsPerTrack;
    uint32_t hiddenSectors;
    bool extendedReads;  // the volume lies beyond CHS reach
};

void PrintTo(const QuirkCase &c, std::ostream *out) { *out << c.name; }
void PrintTo(const DiskCase &c, std::ostream *out) { *out << c.name; }

BiosQuirks AllQuirks() {
    BiosQuirks bios;
    bios.entrySegment = 0x07C0;
    bios.entryDs = 0x0040;
    bios.clobbersRegisters = true;
    bios.stackBytesUsed = 4096;
    return bios;
}

class QuirkyBiosTest : public testing::TestWithParam<std::tuple<QuirkCase, DiskCase>> {};

// Every path of the loader under each quirk: the directory search, the load,
// a retry after two failed reads, CHS and extended reads, the texts.
TEST_P(QuirkyBiosTest, LoadsTheWholeFileAndHandsOverTheDrive) {
    const QuirkCase &quirk = std::get<0>(GetParam());
    const DiskCase &d = std::get<1>(GetParam());
    BootScenario s;
    s.bios = quirk.bios;
    s.drive = d.drive;
    s.disk.isFloppy = d.drive < 0x80;
    s.disk.cylinders = 1024;
    s.disk.heads = d.heads;
    s.disk.sectorsPerTrack = d.sectorsPerTrack;
    s.disk.offersExtendedRead = d.extendedReads;
    s.volume.numberOfHeads = static_cast<uint16_t>(d.heads);
    s.volume.sectorsPerTrack = static_cast<uint16_t>(d.sectorsPerTrack);
    s.volume.hiddenSectors = d.hiddenSectors;
    s.entryIndex = 20;  // in the second root directory sector
    s.file = PatternFile(2600);
    s.disk.failuresLeft[s.volume.ClusterSector(s.cluster) + 1] = 2;

    LoaderRun run = s.Boot();

    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    EXPECT_EQ(run.entryCs, quirk.bios.entrySegment);
    EXPECT_EQ(run.entryIp, 0x7C00 - quirk.bios.entrySegment * 16);
    EXPECT_TRUE(run.faults.empty()) << run.faults.front();
    EXPECT_EQ(GoodReadSectors(run, s.disk), ExpectedReads(s.volume, s.entryIndex, s.cluster, 2600));
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.screen, "V1.6++++++");
    EXPECT_EQ(run.cs, 0x0800);
    EXPECT_EQ(run.dl, d.drive);
    EXPECT_EQ(run.Bytes(0x7C24, 1).at(0), d.drive);
}

INSTANTIATE_TEST_SUITE_P(
    Bioses, QuirkyBiosTest,
    testing::Combine(
        testing::Values(QuirkCase{"EntersWithDs40", {0, 0x0040, false, 0}},
                        QuirkCase{"EntersAt07C0", {0x07C0, 0, false, 0}},
                        QuirkCase{"ClobbersRegisters", {0, 0, true, 0}},
                        QuirkCase{"Uses4KiBOfTheCallersStack", {0, 0, false, 4096}},
                        QuirkCase{"AllAtOnce", AllQuirks()}),
        testing::Values(DiskCase{"Floppy", 0x00, 2, 18, 0, false},
                        DiskCase{"HardDisk", 0x80, 16, 63, 2048, false},
                        // Cylinder 1100 of a 16-head disk: extended reads.
                        DiskCase{"HardDiskBeyondChs", 0x80, 16, 63, 1100u * 16 * 63, true})),
    [](const testing::TestParamInfo<std::tuple<QuirkCase, DiskCase>> &param) {
        return std::get<0>(param.param).name + "_" + std::get<1>(param.param).name;
    });

struct CheckCase {
    std::string name;
    ExtensionsCheck check;
};

void PrintTo(const CheckCase &c, std::ostream *out) { *out << c.name; }

class ExtensionsCheckTest : public testing::TestWithParam<CheckCase> {};

// A BIOS whose check says no is taken at its word, even if its extended
// read would answer: a sector beyond CHS reach is then a read error.
TEST_P(ExtensionsCheckTest, ThatFailsLeavesSectorsBeyondChsReachUnreadAndShowsTheReadError) {
    BootScenario s;
    s.drive = 0x80;
    s.disk.isFloppy = false;
    s.disk.cylinders = 1024;
    s.disk.heads = 16;
    s.disk.sectorsPerTrack = 63;
    s.disk.offersExtendedRead = true;
    s.disk.extensionsCheck = GetParam().check;
    s.volume.numberOfHeads = 16;
    s.volume.sectorsPerTrack = 63;
    s.volume.hiddenSectors = 1100u * 16 * 63;
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_TRUE(run.Reads().empty());
    EXPECT_TRUE(run.faults.empty());
}

INSTANTIATE_TEST_SUITE_P(Failures, ExtensionsCheckTest,
                         testing::Values(CheckCase{"SetsCarry", ExtensionsCheck::SetsCarry},
                                         CheckCase{"KeepsSignature", ExtensionsCheck::KeepsSignature},
                                         CheckCase{"LacksPacketAccess", ExtensionsCheck::LacksPacketAccess}),
                         [](const testing::TestParamInfo<CheckCase> &param) { return param.param.name; });

struct FloppyCase {
    std::string name;
    DiskGeometry medium;
    DiskGeometry drive;  // what INT 13h 08h reports
    uint8_t sectorsPerCluster;
    uint16_t sectorsPerFat, rootEntries;
    uint32_t totalSectors;
};

void PrintTo(const FloppyCase &c, std::ostream *out) { *out << c.name; }

class FloppyMediumTest : public testing::TestWithParam<FloppyCase> {};

// A floppy drive reports its own geometry, whatever disk is in it; the BPB
// describes the disk, and a floppy boot goes by the BPB.
TEST_P(FloppyMediumTest, IsReadByTheGeometryOfItsBpb) {
    const FloppyCase &c = GetParam();
    BootScenario s;
    s.disk.cylinders = c.medium.cylinders;
    s.disk.heads = c.medium.heads;
    s.disk.sectorsPerTrack = c.medium.sectorsPerTrack;
    s.disk.driveGeometry = c.drive;
    s.volume.numberOfHeads = static_cast<uint16_t>(c.medium.heads);
    s.volume.sectorsPerTrack = static_cast<uint16_t>(c.medium.sectorsPerTrack);
    s.volume.sectorsPerCluster = c.sectorsPerCluster;
    s.volume.sectorsPerFat = c.sectorsPerFat;
    s.volume.rootEntries = c.rootEntries;
    s.volume.totalSectors = c.totalSectors;
    s.file = PatternFile(6000);  // crosses a track of every medium
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile) << run.screen;
    for (const DiskCall &read : run.Reads()) EXPECT_FALSE(read.failed);
    EXPECT_EQ(GoodReadSectors(run, s.disk), ExpectedReads(s.volume, s.entryIndex, s.cluster, 6000));
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.Word(0x7C18), c.medium.sectorsPerTrack);
    EXPECT_EQ(run.Word(0x7C1A), c.medium.heads);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, FloppyMediumTest,
    testing::Values(FloppyCase{"Disk720KInA1440KDrive", {80, 2, 9}, {80, 2, 18}, 2, 3, 112, 1440},
                    FloppyCase{"Disk1440KInA2880KDrive", {80, 2, 18}, {80, 2, 36}, 1, 9, 224, 2880},
                    FloppyCase{"Disk360KInA1200KDrive", {40, 2, 9}, {80, 2, 15}, 2, 2, 112, 720},
                    // CX = 0: no sectors per track, as some BIOSes answer for a floppy drive.
                    FloppyCase{"DriveReportingCxZero", {80, 2, 18}, {1, 2, 0}, 1, 9, 224, 2880}),
    [](const testing::TestParamInfo<FloppyCase> &param) { return param.param.name; });

}  // namespace
