// What the loader shows, how it retries, and the state it hands over.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "boot_scenario.h"

namespace ombix::bootdisk {
namespace {

std::string call_sequence(const LoaderRun &run) {
    std::string sequence;
    for (const DiskCall &call : run.disk_calls) {
        char text[8];
        std::snprintf(text, sizeof text, "%02X%s ", call.function, call.failed ? "!" : "");
        sequence += text;
    }
    return sequence;
}

TEST(ReadRetry, five_failed_attempts_with_a_reset_between_them_show_the_read_error_and_stop) {
    BootScenario s;
    s.disk.failing_sectors.insert(s.volume.root_directory_start());
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6!Rd");
    EXPECT_EQ(call_sequence(run), "02! 00 02! 00 02! 00 02! 00 02! ");
    for (const DiskCall &call : run.disk_calls) EXPECT_EQ(call.drive, 0x00);
}

TEST(ReadRetry, a_file_sector_that_fails_four_times_is_read_at_the_fifth_attempt) {
    BootScenario s;
    s.disk.failures_left[s.volume.cluster_sector(s.cluster) + 1] = 4;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(call_sequence(run), "02 02 02! 00 02! 00 02! 00 02! 00 02 02 ");
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
    EXPECT_EQ(run.screen, "V1.6+++");
}

TEST(ReadRetry, a_file_sector_that_keeps_failing_shows_the_read_error_after_the_progress_so_far) {
    BootScenario s;
    s.disk.failing_sectors.insert(s.volume.cluster_sector(s.cluster) + 2);
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "V1.6++!Rd");
}

TEST(Screen, shows_the_start_text_then_one_plus_per_sector_without_a_line_break_in_colour_7) {
    BootScenario s;
    s.file = pattern_file(2600);
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.screen, "V1.6++++++");
    for (uint16_t bx : run.teletype_bx) EXPECT_EQ(bx, 0x0007);
}

TEST(Screen, a_non_zero_message_switch_silences_the_load) {
    BootScenario s;
    s.volume.message_switch = 1;
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_EQ(run.screen, "");
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);
}

TEST(Screen, a_non_zero_message_switch_hangs_without_output_when_the_file_is_missing) {
    BootScenario s;
    s.volume.message_switch = 0x80;
    s.with_boot_file = false;
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "");
}

TEST(Screen, a_non_zero_message_switch_hangs_without_output_on_a_read_error) {
    BootScenario s;
    s.volume.message_switch = 0xFF;
    s.disk.failing_sectors.insert(s.volume.root_directory_start());
    LoaderRun run = s.boot();
    EXPECT_EQ(run.outcome, LoaderOutcome::Stopped);
    EXPECT_EQ(run.screen, "");
}

// What the loader writes into the boot sector in memory: the geometry, the
// drive number and, over the file system type, the directory entry size.
const SectorField kWrittenByTheLoader[] = {bpb::kSectorsPerTrack, bpb::kNumberOfHeads, bpb::kDriveNumber,
                                           SectorField{bpb::kFileSystemType.offset, 2}};

struct DriveCase {
    uint8_t drive;
    bool motor_off;
};

void PrintTo(const DriveCase &c, std::ostream *out) {
    *out << "drive " << static_cast<int>(c.drive);
}

class HandOverTest : public testing::TestWithParam<DriveCase> {};

TEST_P(HandOverTest, jumps_to_0800_with_the_drive_in_dl_and_the_boot_sector_in_place) {
    BootScenario s;
    s.drive = GetParam().drive;
    s.disk.is_floppy = !(s.drive & 0x80);
    s.volume.bpb.hidden_sectors = s.disk.is_floppy ? 0 : 63;
    LoaderRun run = s.boot();
    ASSERT_EQ(run.outcome, LoaderOutcome::JumpedToBootFile);
    EXPECT_TRUE(run.faults.empty());
    EXPECT_EQ(run.cs, 0x0800);
    EXPECT_EQ(run.ip, 0x0000);
    EXPECT_EQ(run.dl, s.drive);
    EXPECT_EQ(run.bytes(kLoadAddress, s.file.size()), s.file);

    // The boot sector stays, with the drive number, BIOS geometry and entry size written in.
    std::vector<uint8_t> sector = s.disk.read(s.volume.bpb.hidden_sectors);
    std::vector<uint8_t> in_memory_sector = run.bytes(kBootSectorAddress, 512);
    EXPECT_EQ(in_memory_sector[bpb::kDriveNumber.offset], s.drive);
    EXPECT_EQ(run.word(in_memory(bpb::kSectorsPerTrack)), s.disk.sectors_per_track);
    EXPECT_EQ(run.word(in_memory(bpb::kNumberOfHeads)), s.disk.heads);
    EXPECT_EQ(run.word(in_memory(bpb::kFileSystemType)), 32);
    for (size_t i = 0; i < 512; ++i) {
        bool written = false;
        for (const SectorField field : kWrittenByTheLoader) written = written || (i >= field.offset && i < field.end());
        if (!written) {
            EXPECT_EQ(in_memory_sector[i], sector[i]) << "offset " << i;
        }
    }

    std::vector<PortWrite> motor_off;
    for (const PortWrite &write : run.port_writes)
        if (write.port == 0x3F2) motor_off.push_back(write);
    if (GetParam().motor_off) {
        ASSERT_EQ(motor_off.size(), 1u);
        EXPECT_EQ(motor_off[0].value, 0);
    } else {
        EXPECT_TRUE(motor_off.empty());
    }
    EXPECT_EQ(run.port_writes.size(), motor_off.size());
}

INSTANTIATE_TEST_SUITE_P(Drives, HandOverTest,
                         testing::Values(DriveCase{0x00, true}, DriveCase{0x01, true}, DriveCase{0x80, false},
                                         DriveCase{0x81, false}),
                         [](const testing::TestParamInfo<DriveCase> &param) {
                             char name[16];
                             std::snprintf(name, sizeof name, "drive_%02x", param.param.drive);
                             return std::string(name);
                         });

}  // namespace
}  // namespace ombix::bootdisk
