// What the loader shows, how it retries, and the state it hands over.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

namespace {

std::string CallSequence(const LoaderRun &run) {
    std::string sequence;
    for (const DiskCall &call : run.diskCalls) {
        char text[8];
        std::snprintf(text, sizeof text, "%02X%s ", call.function, call.failed ? "!" : "");
        sequence += text;
    }
    return sequence;
}

TEST(ReadRetry, FiveFailedAttemptsWithAResetBetweenThemShowTheReadErrorAndStop) {
    BootScenario s;
    s.disk.failingSectors.insert(s.volume.RootDirectoryStart());
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_EQ(CallSequence(run), "02! 00 02! 00 02! 00 02! 00 02! ");
    for (const DiskCall &call : run.diskCalls) EXPECT_EQ(call.drive, 0x00);
}

TEST(ReadRetry, AFileSectorThatFailsFourTimesIsReadAtTheFifthAttempt) {
    BootScenario s;
    s.disk.failuresLeft[s.volume.ClusterSector(s.cluster) + 1] = 4;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(CallSequence(run), "02 02 02! 00 02! 00 02! 00 02! 00 02 02 ");
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.screen, "V1.6+++");
}

TEST(ReadRetry, AFileSectorThatKeepsFailingShowsTheReadErrorAfterTheProgressSoFar) {
    BootScenario s;
    s.disk.failingSectors.insert(s.volume.ClusterSector(s.cluster) + 2);
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6++!Rd");
}

TEST(Screen, ShowsTheStartTextThenOnePlusPerSectorWithoutALineBreakInColour7) {
    BootScenario s;
    s.file = PatternFile(2600);
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.screen, "V1.6++++++");
    for (uint16_t bx : run.teletypeBx) EXPECT_EQ(bx, 0x0007);
}

TEST(Screen, ANonZeroMessageSwitchSilencesTheLoad) {
    BootScenario s;
    s.volume.messageSwitch = 1;
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.screen, "");
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(Screen, ANonZeroMessageSwitchHangsWithoutOutputWhenTheFileIsMissing) {
    BootScenario s;
    s.volume.messageSwitch = 0x80;
    s.withBootFile = false;
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "");
}

TEST(Screen, ANonZeroMessageSwitchHangsWithoutOutputOnAReadError) {
    BootScenario s;
    s.volume.messageSwitch = 0xFF;
    s.disk.failingSectors.insert(s.volume.RootDirectoryStart());
    LoaderRun run = s.Boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "");
}

struct DriveCase {
    uint8_t drive;
    bool motorOff;
};

void PrintTo(const DriveCase &c, std::ostream *out) { *out << "drive " << static_cast<int>(c.drive); }

class HandOverTest : public testing::TestWithParam<DriveCase> {};

TEST_P(HandOverTest, JumpsTo0800WithTheDriveInDlAndTheBootSectorInPlace) {
    BootScenario s;
    s.drive = GetParam().drive;
    s.disk.isFloppy = !(s.drive & 0x80);
    s.volume.hiddenSectors = s.disk.isFloppy ? 0 : 63;
    LoaderRun run = s.Boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_TRUE(run.faults.empty());
    EXPECT_EQ(run.cs, 0x0800);
    EXPECT_EQ(run.ip, 0x0000);
    EXPECT_EQ(run.dl, s.drive);
    EXPECT_EQ(run.Bytes(kLoadAddress, s.file.size()), s.file);

    // The boot sector stays, with the drive number and BIOS geometry written in.
    std::vector<uint8_t> sector = s.disk.Read(s.volume.hiddenSectors);
    std::vector<uint8_t> inMemory = run.Bytes(0x7C00, 512);
    EXPECT_EQ(inMemory[0x24], s.drive);
    EXPECT_EQ(run.Word(0x7C18), s.disk.sectorsPerTrack);
    EXPECT_EQ(run.Word(0x7C1A), s.disk.heads);
    EXPECT_EQ(run.Word(0x7C36), 32);
    for (size_t i = 0; i < 512; ++i) {
        bool written = (i >= 0x18 && i < 0x1C) || i == 0x24 || i == 0x36 || i == 0x37;
        if (!written) {
            EXPECT_EQ(inMemory[i], sector[i]) << "offset " << i;
        }
    }

    std::vector<PortWrite> motorOff;
    for (const PortWrite &write : run.portWrites)
        if (write.port == 0x3F2) motorOff.push_back(write);
    if (GetParam().motorOff) {
        ASSERT_EQ(motorOff.size(), 1u);
        EXPECT_EQ(motorOff[0].value, 0);
    } else {
        EXPECT_TRUE(motorOff.empty());
    }
    EXPECT_EQ(run.portWrites.size(), motorOff.size());
}

INSTANTIATE_TEST_SUITE_P(Drives, HandOverTest,
                         testing::Values(DriveCase{0x00, true}, DriveCase{0x01, true}, DriveCase{0x80, false},
                                         DriveCase{0x81, false}),
                         [](const testing::TestParamInfo<DriveCase> &param) {
                             char name[16];
                             std::snprintf(name, sizeof name, "Drive%02X", param.param.drive);
                             return std::string(name);
                         });

}  // namespace
