// The run flow against a scripted platform: each mode's operations, each
// failure's line, that nothing is written after a failure, and the release.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "boot_sector_layout.h"
#include "bpb_builder.h"
#include "run_capture.h"
#include "scripted_platform.h"
#include "test_names.h"
#include "tool_lines.h"

namespace ombix::bootdisk {
namespace {

using Lines = std::vector<std::string>;
using Log = std::vector<std::string>;

const std::string kOpenForWriting = "open volume E: for writing";
const std::string kOpenForReading = "open volume E: for reading";

TEST(RunModes, make_bootable_locks_writes_sector_zero_and_releases_in_order) {
    const Bytes original = fat_boot_sector();
    ScriptedPlatform &platform = reset_scripted_platform(original);
    const RunResult result = run_tool({"E:", "-ownrisk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(platform.log, (Log{kOpenForWriting, "lock", "geometry", "allocate 1023", "seek", "read volume", "seek",
                                 "write volume", "free", "unlock", "close volume"}));
    EXPECT_EQ(platform.volume, built_boot_sector(original, 0));
    EXPECT_EQ(platform.open_handles, 0);
    EXPECT_EQ(platform.held_blocks, 0);
}

TEST(RunModes, system_drive_flag_writes_without_the_lock) {
    ScriptedPlatform &platform = reset_scripted_platform(fat_boot_sector());
    EXPECT_EQ(run_tool({"E:", "-ownrisk", "-systemdrive"}).status, 0);
    EXPECT_EQ(platform.log, (Log{kOpenForWriting, "geometry", "allocate 1023", "seek", "read volume", "seek",
                                 "write volume", "free", "close volume"}));
}

TEST(RunModes, partitioned_media_record_their_hidden_sectors) {
    const Bytes original = fat_boot_sector();
    ScriptedPlatform &platform = reset_scripted_platform(original);
    platform.geometry.kind = MediumKind::Partitioned;
    EXPECT_EQ(run_tool({"E:", "-ownrisk"}).status, 0);
    EXPECT_EQ(platform.volume, built_boot_sector(original, 63));
    EXPECT_EQ(platform.log[2], "geometry");
    EXPECT_EQ(platform.log[3], "partition info");
}

TEST(RunModes, save_reads_shared_and_replaces_the_file_with_one_sector) {
    const Bytes original = fat_boot_sector();
    ScriptedPlatform &platform = reset_scripted_platform(original);
    platform.files["boot.sav"] = Bytes(5000, 0x11);
    EXPECT_EQ(run_tool({"E:", "-ownrisk", "-f", "boot.sav"}).status, 0);
    EXPECT_EQ(platform.files["boot.sav"], original);
    EXPECT_EQ(platform.volume, original);
    EXPECT_EQ(platform.files.count("boot.sav.tmp"), 0u);
    // The old file is replaced only once the new one is written, flushed and closed.
    EXPECT_EQ(platform.log,
              (Log{kOpenForReading, "geometry", "allocate 1023", "seek", "read volume", "create file boot.sav.tmp",
                   "write file boot.sav.tmp", "flush file boot.sav.tmp", "close file boot.sav.tmp",
                   "rename boot.sav.tmp to boot.sav", "free", "close volume"}));
}

TEST(RunModes, save_of_a_failing_sector_needs_ignore) {
    Bytes broken = fat_boot_sector();
    write_field(broken.data(), kBootSignature, 0);
    ScriptedPlatform &platform = reset_scripted_platform(broken);
    EXPECT_EQ(run_tool({"E:", "-ownrisk", "-f"}).status, 1);
    EXPECT_EQ(platform.files.count("VXLD.BIN"), 0u);
    EXPECT_EQ(run_tool({"E:", "-ownrisk", "-f", "-ignore"}).status, 0);
    EXPECT_EQ(platform.files["VXLD.BIN"], broken);
}

TEST(RunModes, restore_writes_the_first_sector_of_a_longer_file_after_the_check) {
    const Bytes current = built_boot_sector(fat_boot_sector(), 0);
    Bytes saved = fat_boot_sector();
    saved.resize(1536, 0x77);
    ScriptedPlatform &platform = reset_scripted_platform(current);
    platform.files["boot.sav"] = saved;
    const RunResult result = run_tool({"E:", "-ownrisk", "-r", "boot.sav"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.lines, (Lines{lines::read_from("E:"), lines::kChecked, lines::read_from_file("boot.sav"),
                                   lines::file_checked("boot.sav"), lines::to_disk("E:"), lines::kDone}));
    EXPECT_EQ(platform.volume, fat_boot_sector());
    EXPECT_EQ(platform.log, (Log{kOpenForWriting, "lock", "geometry", "allocate 1023", "seek", "read volume",
                                 "open file boot.sav", "read file boot.sav", "seek", "write volume", "free",
                                 "close file boot.sav", "unlock", "close volume"}));
}

TEST(RunModes, restore_with_ignore_writes_the_file_unchecked) {
    Bytes noise(512);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<unsigned char>(i * 131 + 7);
    ScriptedPlatform &platform = reset_scripted_platform(fat_boot_sector());
    platform.files["noise.bin"] = noise;
    const RunResult result = run_tool({"E:", "-ownrisk", "-ignore", "-r", "noise.bin"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.lines,
              (Lines{lines::read_from("E:"), lines::read_from_file("noise.bin"), lines::to_disk("E:"), lines::kDone}));
    EXPECT_EQ(platform.volume, noise);
}

TEST(RunModes, build_to_file_reads_the_drive_for_reading_only) {
    const Bytes original = fat_boot_sector();
    ScriptedPlatform &platform = reset_scripted_platform(original);
    platform.geometry.kind = MediumKind::Partitioned;
    EXPECT_EQ(run_tool({"E:", "-ownrisk", "-b", "new.bin"}).status, 0);
    EXPECT_EQ(platform.files["new.bin"], built_boot_sector(original, 63));
    EXPECT_EQ(platform.volume, original);
    EXPECT_EQ(platform.log.front(), kOpenForReading);
}

TEST(RunModes, build_blank_writes_the_loader_with_zero_parameters) {
    ScriptedPlatform &platform = reset_scripted_platform(fat_boot_sector());
    EXPECT_EQ(run_tool({"-ownrisk", "-ignore", "-b", "out.bin"}).status, 0);
    EXPECT_EQ(platform.files["out.bin"], built_boot_sector(Bytes(512, 0), 0));
    EXPECT_EQ(platform.log,
              (Log{"allocate 1023", "create file out.bin.tmp", "write file out.bin.tmp", "flush file out.bin.tmp",
                   "close file out.bin.tmp", "rename out.bin.tmp to out.bin", "free"}));
}

TEST(RunModes, large_sectors_are_read_and_written_whole) {
    BpbFields fields;
    fields.bytes_per_sector = 2048;
    fields.total_sectors_16 = 720;
    fields.root_directory_entries = 128;
    fields.sectors_per_fat_16 = 2;
    Bytes original = fat_boot_sector(fields, 2048);
    for (size_t i = 0x200; i < 2048; ++i) original[i] = static_cast<unsigned char>(i * 7);
    ScriptedPlatform &platform = reset_scripted_platform(original);
    platform.geometry = VolumeGeometry{MediumKind::Partitioned, 12, 720, 1, 1, 2048};
    platform.partition = PartitionPlacement{2048 * 100, 2048 * 720, 0x06};
    EXPECT_EQ(run_tool({"E:", "-ownrisk"}).status, 0);
    EXPECT_EQ(platform.volume, built_boot_sector(original, 100));
    EXPECT_EQ(platform.log[4], "allocate 4095");
}

// One failing operation or odd report per case.
struct FailureCase {
    const char *behaviour;
    std::vector<std::string> args;
    std::function<void(ScriptedPlatform &)> script;
    Lines output;
    Log release;  // the last log entries: what the release did, in order
};

void fail(ScriptedPlatform &platform, PlatformStep step, int on_call = 1) {
    platform.faults[step] = ScriptedFault{Fault::Fail, on_call};
}
void shorten(ScriptedPlatform &platform, PlatformStep step) {
    platform.faults[step] = ScriptedFault{Fault::Partial, 1};
}

const Lines kReadChecked{lines::read_from("E:"), lines::kChecked};
const Lines kBuilt{lines::read_from("E:"), lines::kChecked, lines::kCreated};

const FailureCase kFailures[] = {
    {"a volume that cannot be opened ends the run without a release",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::OpenVolume); },
     {lines::failed("Open E:")},
     {kOpenForWriting + " failed"}},
    {"a volume that cannot be locked is closed without unlock",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::LockVolume); },
     {lines::failed("Exclusive access E:")},
     {"lock failed", "close volume"}},
    {"a failing geometry query is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Geometry); },
     {lines::failed("Get Disk Geometry E:")},
     {"geometry failed", "unlock", "close volume"}},
    {"a failing partition query is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) {
         p.geometry.kind = MediumKind::Partitioned;
         fail(p, PlatformStep::Partition);
     },
     {lines::failed("Get Partition Info Removable or Fixed Hard Disk E:")},
     {"partition info failed", "unlock", "close volume"}},
    {"partition type 7 is unknown",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) {
         p.geometry.kind = MediumKind::Partitioned;
         p.partition.partition_type = 0x07;
     },
     {lines::failed("Unknown Partition Type 7 on Removable or Fixed Hard Disk E:")},
     {"partition info", "unlock", "close volume"}},
    {"partition type 131 is shown unsigned",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) {
         p.geometry.kind = MediumKind::Partitioned;
         p.partition.partition_type = 0x83;
     },
     {lines::failed("Unknown Partition Type 131 on Removable or Fixed Hard Disk E:")},
     {"partition info", "unlock", "close volume"}},
    {"an unknown floppy media type is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) {
         p.geometry.kind = MediumKind::Unrecognized;
         p.geometry.media_code = 23;
     },
     {lines::failed("Unknown Floppy Disk Media Type 23 on E:")},
     {"geometry", "unlock", "close volume"}},
    {"a sector size of 0 is refused before any buffer",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytes_per_sector = 0; },
     {lines::failed("Unsupported sector size 0 on E:")},
     {"geometry", "unlock", "close volume"}},
    {"a sector size that is no power of two is refused",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytes_per_sector = 520; },
     {lines::failed("Unsupported sector size 520 on E:")},
     {"geometry", "unlock", "close volume"}},
    {"a sector size above 32768 is refused",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytes_per_sector = 65536; },
     {lines::failed("Unsupported sector size 65536 on E:")},
     {"geometry", "unlock", "close volume"}},
    {"a sector too small for a boot sector is refused",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytes_per_sector = 128; },
     {lines::failed("Unsupported sector size 128 on E:")},
     {"geometry", "unlock", "close volume"}},
    {"a failing allocation is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Allocate); },
     {lines::failed("No buffer memory")},
     {"allocate 1023 failed", "unlock", "close volume"}},
    {"a failing seek before the read is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Seek); },
     {lines::failed("SetFilePointer on E:")},
     {"seek failed", "free", "unlock", "close volume"}},
    {"a failing volume read is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::ReadVolume); },
     {lines::failed("ReadFile on E:")},
     {"read volume failed", "free", "unlock", "close volume"}},
    {"a short volume read is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { shorten(p, PlatformStep::ReadVolume); },
     {lines::failed("Partial ReadFile on E:")},
     {"read volume", "free", "unlock", "close volume"}},
    {"a sector that fails the check is not written",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { write_field(p.volume.data(), kBootSignature, 0); },
     {lines::read_from("E:"), lines::illegal_on("E:")},
     {"read volume", "free", "unlock", "close volume"}},
    {"a missing restore file is reported",
     {"E:", "-ownrisk", "-r", "boot.sav"},
     nullptr,
     concat(kReadChecked, {lines::failed("Open Read on boot.sav")}),
     {"open file boot.sav failed", "free", "unlock", "close volume"}},
    {"a failing restore file read is reported",
     {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) {
         p.files["boot.sav"] = Bytes(512, 1);
         fail(p, PlatformStep::ReadFile);
     },
     concat(kReadChecked, {lines::failed("ReadFile on boot.sav")}),
     {"read file boot.sav failed", "free", "close file boot.sav", "unlock", "close volume"}},
    {"a restore file shorter than a sector is refused",
     {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) { p.files["boot.sav"] = Bytes(511, 1); },
     concat(kReadChecked, {lines::failed("Partial ReadFile on boot.sav")}),
     {"read file boot.sav", "free", "close file boot.sav", "unlock", "close volume"}},
    {"a restore file of arbitrary bytes fails the check and is not written",
     {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) { p.files["boot.sav"] = Bytes(512, 0x5A); },
     concat(kReadChecked, {lines::read_from_file("boot.sav"), lines::illegal_in_file("boot.sav")}),
     {"read file boot.sav", "free", "close file boot.sav", "unlock", "close volume"}},
    {"a failing seek before the write is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Seek, 2); },
     concat(kBuilt, {lines::failed("SetFilePointer on E:")}),
     {"seek failed", "free", "unlock", "close volume"}},
    {"a failing volume write is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::WriteVolume); },
     concat(kBuilt, {lines::failed("WriteFile on E:")}),
     {"write volume failed", "free", "unlock", "close volume"}},
    {"a short volume write is reported",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { shorten(p, PlatformStep::WriteVolume); },
     concat(kBuilt, {lines::failed("Partial WriteFile on E:")}),
     {"write volume", "free", "unlock", "close volume"}},
    {"a sector file that cannot be created is reported",
     {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CreateTemporaryFile); },
     concat(kReadChecked, {lines::failed("Open Write on VXLD.BIN")}),
     {"create file VXLD.BIN.tmp failed", "free", "close volume"}},
    {"a failing sector file write leaves no file behind",
     {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::WriteFile); },
     concat(kReadChecked, {lines::failed("WriteFile on VXLD.BIN")}),
     {"write file VXLD.BIN.tmp failed", "free", "close file VXLD.BIN.tmp", "remove VXLD.BIN.tmp", "close volume"}},
    {"a short sector file write leaves no file behind",
     {"E:", "-ownrisk", "-b", "new.bin"},
     [](ScriptedPlatform &p) { shorten(p, PlatformStep::WriteFile); },
     concat(kBuilt, {lines::failed("Partial WriteFile on new.bin")}),
     {"write file new.bin.tmp", "free", "close file new.bin.tmp", "remove new.bin.tmp", "close volume"}},
    {"a failing flush of the sector file leaves no file behind",
     {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::FlushFile); },
     concat(kReadChecked, {lines::failed("Flush File VXLD.BIN")}),
     {"flush file VXLD.BIN.tmp failed", "free", "close file VXLD.BIN.tmp", "remove VXLD.BIN.tmp", "close volume"}},
    {"a failing close of the written sector file comes before success",
     {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CloseFile); },
     concat(kReadChecked, {lines::failed("Close File VXLD.BIN")}),
     {"close file VXLD.BIN.tmp failed", "free", "remove VXLD.BIN.tmp", "close volume"}},
    {"a failing rename keeps the old file",
     {"E:", "-ownrisk", "-b", "new.bin"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::RenameFile); },
     concat(kBuilt, {lines::failed("Rename to File new.bin")}),
     {"rename new.bin.tmp to new.bin failed", "free", "remove new.bin.tmp", "close volume"}},
    {"a temporary file that cannot be removed is named",
     {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) {
         fail(p, PlatformStep::WriteFile);
         fail(p, PlatformStep::RemoveFile);
     },
     concat(kReadChecked, {lines::failed("WriteFile on VXLD.BIN"), lines::failed("Delete File VXLD.BIN.tmp")}),
     {"free", "close file VXLD.BIN.tmp", "remove VXLD.BIN.tmp failed", "close volume"}},
    {"a blank build whose file cannot be created holds no volume",
     {"-ownrisk", "-ignore", "-b"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CreateTemporaryFile); },
     {lines::kSkipped, lines::kCreated, lines::failed("Open Write on VXLD.BIN")},
     {"create file VXLD.BIN.tmp failed", "free"}},
    {"a failing file close after success turns the status to 1",
     {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) {
         p.files["boot.sav"] = fat_boot_sector();
         fail(p, PlatformStep::CloseFile);
     },
     concat(kReadChecked, {lines::read_from_file("boot.sav"), lines::file_checked("boot.sav"), lines::to_disk("E:"),
                           lines::kDone, lines::failed("Close File boot.sav")}),
     {"free", "close file boot.sav failed", "unlock", "close volume"}},
    {"a failing unlock after success still closes the volume",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::UnlockVolume); },
     concat(kBuilt, {lines::to_disk("E:"), lines::kDone, lines::failed("Unlock volume E:")}),
     {"free", "unlock failed", "close volume"}},
    {"a failing volume close after success turns the status to 1",
     {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CloseVolume); },
     concat(kBuilt, {lines::to_disk("E:"), lines::kDone, lines::failed("Close volume E:")}),
     {"free", "unlock", "close volume failed"}},
};

bool is_write(const std::string &entry) {
    return entry.rfind("write", 0) == 0 && entry.find("failed") == std::string::npos;
}

bool starts_with(const std::string &text, const char *prefix) {
    return text.rfind(prefix, 0) == 0;
}

// An operation of the write step, which may have written before it failed.
bool is_write_step(const std::string &entry) {
    return starts_with(entry, "write") || starts_with(entry, "flush") || starts_with(entry, "rename") ||
           (starts_with(entry, "close file") && entry.find(".tmp") != std::string::npos);
}

// Sector files that every case finds in place, to see that a failed run leaves them be.
const std::map<std::string, Bytes> kEarlierSectorFiles{{"VXLD.BIN", Bytes(512, 0x0E)}, {"new.bin", Bytes(700, 0x0F)}};

void PrintTo(const FailureCase &row, std::ostream *out) {
    *out << row.behaviour;
}

class RunFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RunFailure, prints_its_line_releases_in_order_and_exits_with_one) {
    const FailureCase &c = GetParam();
    const Bytes original = fat_boot_sector();
    ScriptedPlatform &platform = reset_scripted_platform(original);
    platform.files = kEarlierSectorFiles;
    if (c.script) c.script(platform);
    const Bytes volume_before = platform.volume;
    const auto files_before = platform.files;

    const RunResult result = run_tool(c.args);

    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.lines, c.output);
    ASSERT_GE(platform.log.size(), c.release.size());
    EXPECT_EQ(Log(platform.log.end() - static_cast<long>(c.release.size()), platform.log.end()), c.release)
        << "whole log: " << testing::PrintToString(platform.log);
    EXPECT_EQ(platform.open_handles, 0);
    EXPECT_EQ(platform.held_blocks, 0);

    const bool failed_before_writing =
        result.lines.back().find("Sucess") == std::string::npos &&
        std::find(result.lines.begin(), result.lines.end(), lines::kDone) == result.lines.end();
    const bool write_step_failed = !c.release.empty() && is_write_step(c.release.front());
    if (failed_before_writing && !write_step_failed) {
        EXPECT_EQ(platform.volume, volume_before) << "the drive is untouched";
        EXPECT_EQ(std::count_if(platform.log.begin(), platform.log.end(), is_write), 0);
        for (const auto &file : platform.files) {
            if (files_before.count(file.first) != 0) {
                EXPECT_EQ(file.second, files_before.at(file.first)) << file.first;
            }
        }
    }
    // Whatever failed, a sector file is the old one or none, never a part.
    for (const auto &earlier : kEarlierSectorFiles)
        EXPECT_EQ(platform.files[earlier.first], earlier.second) << earlier.first;
    const bool told_to_delete = std::any_of(result.lines.begin(), result.lines.end(), [](const std::string &line) {
        return line.find("Failed: Delete File") != std::string::npos;
    });
    for (const auto &file : platform.files) {
        if (!told_to_delete) {
            EXPECT_EQ(file.first.find(".tmp"), std::string::npos) << file.first << " was left behind";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RunFailure, testing::ValuesIn(kFailures), OMBIX_BEHAVIOUR_NAMES);

}  // namespace
}  // namespace ombix::bootdisk
