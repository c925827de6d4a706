// The run flow against a scripted platform: each mode's operations, each
// failure's line, that nothing is written after a failure, and the release.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "boot_template.h"
#include "fat_sectors.h"
#include "test_names.h"
#include "run_capture.h"
#include "scripted_platform.h"
#include "tool_lines.h"

namespace {

using Lines = std::vector<std::string>;
using Log = std::vector<std::string>;

const std::string kOpenForWriting = "open volume \\\\.\\E: for writing";
const std::string kOpenForReading = "open volume \\\\.\\E: for reading";

Bytes builtFrom(Bytes sector, uint32_t hidden) {
    for (size_t i = 0; i < 3; ++i) sector[i] = BootLoaderTemplate[i];
    for (size_t i = 0x03E; i < 0x1FE; ++i) sector[i] = BootLoaderTemplate[i];
    putLe(sector, 0x01C, hidden, 4);
    return sector;
}

TEST(RunModes, MakeBootableLocksWritesSectorZeroAndReleasesInOrder) {
    const Bytes original = fatBootSector();
    ScriptedPlatform &platform = resetScriptedPlatform(original);
    const RunResult result = runTool({"E:", "-ownrisk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(platform.log, (Log{kOpenForWriting, "lock", "geometry", "allocate 1023", "seek",
                                 "read volume", "seek", "write volume", "free", "unlock",
                                 "close volume"}));
    EXPECT_EQ(platform.volume, builtFrom(original, 0));
    EXPECT_EQ(platform.openHandles, 0);
    EXPECT_EQ(platform.heldBlocks, 0);
}

TEST(RunModes, SystemDriveFlagWritesWithoutTheLock) {
    ScriptedPlatform &platform = resetScriptedPlatform(fatBootSector());
    EXPECT_EQ(runTool({"E:", "-ownrisk", "-systemdrive"}).status, 0);
    EXPECT_EQ(platform.log, (Log{kOpenForWriting, "geometry", "allocate 1023", "seek", "read volume",
                                 "seek", "write volume", "free", "close volume"}));
}

TEST(RunModes, PartitionedMediaRecordTheirHiddenSectors) {
    const Bytes original = fatBootSector();
    ScriptedPlatform &platform = resetScriptedPlatform(original);
    platform.geometry.mediaType = 12;
    EXPECT_EQ(runTool({"E:", "-ownrisk"}).status, 0);
    EXPECT_EQ(platform.volume, builtFrom(original, 63));
    EXPECT_EQ(platform.log[2], "geometry");
    EXPECT_EQ(platform.log[3], "partition info");
}

TEST(RunModes, SaveReadsSharedAndReplacesTheFileWithOneSector) {
    const Bytes original = fatBootSector();
    ScriptedPlatform &platform = resetScriptedPlatform(original);
    platform.files["boot.sav"] = Bytes(5000, 0x11);
    EXPECT_EQ(runTool({"E:", "-ownrisk", "-f", "boot.sav"}).status, 0);
    EXPECT_EQ(platform.files["boot.sav"], original);
    EXPECT_EQ(platform.volume, original);
    EXPECT_EQ(platform.files.count("boot.sav.tmp"), 0u);
    // The old file is replaced only once the new one is written, flushed and closed.
    EXPECT_EQ(platform.log, (Log{kOpenForReading, "geometry", "allocate 1023", "seek", "read volume",
                                 "create file boot.sav.tmp", "write file boot.sav.tmp",
                                 "flush file boot.sav.tmp", "close file boot.sav.tmp",
                                 "rename boot.sav.tmp to boot.sav", "free", "close volume"}));
}

TEST(RunModes, SaveOfAFailingSectorNeedsIgnore) {
    Bytes broken = fatBootSector();
    broken[0x1FE] = 0;
    broken[0x1FF] = 0;
    ScriptedPlatform &platform = resetScriptedPlatform(broken);
    EXPECT_EQ(runTool({"E:", "-ownrisk", "-f"}).status, 1);
    EXPECT_EQ(platform.files.count("VXLD.BIN"), 0u);
    EXPECT_EQ(runTool({"E:", "-ownrisk", "-f", "-ignore"}).status, 0);
    EXPECT_EQ(platform.files["VXLD.BIN"], broken);
}

TEST(RunModes, RestoreWritesTheFirstSectorOfALongerFileAfterTheCheck) {
    const Bytes current = builtFrom(fatBootSector(), 0);
    Bytes saved = fatBootSector();
    saved.resize(1536, 0x77);
    ScriptedPlatform &platform = resetScriptedPlatform(current);
    platform.files["boot.sav"] = saved;
    const RunResult result = runTool({"E:", "-ownrisk", "-r", "boot.sav"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.lines, (Lines{lines::readFrom("E:"), lines::checked,
                                   lines::readFromFile("boot.sav"), lines::fileChecked("boot.sav"),
                                   lines::toDisk("E:"), lines::done}));
    EXPECT_EQ(platform.volume, fatBootSector());
    EXPECT_EQ(platform.log, (Log{kOpenForWriting, "lock", "geometry", "allocate 1023", "seek",
                                 "read volume", "open file boot.sav", "read file boot.sav", "seek",
                                 "write volume", "free", "close file boot.sav", "unlock",
                                 "close volume"}));
}

TEST(RunModes, RestoreWithIgnoreWritesTheFileUnchecked) {
    Bytes noise(512);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>(i * 131 + 7);
    ScriptedPlatform &platform = resetScriptedPlatform(fatBootSector());
    platform.files["noise.bin"] = noise;
    const RunResult result = runTool({"E:", "-ownrisk", "-ignore", "-r", "noise.bin"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.lines, (Lines{lines::readFrom("E:"), lines::readFromFile("noise.bin"),
                                   lines::toDisk("E:"), lines::done}));
    EXPECT_EQ(platform.volume, noise);
}

TEST(RunModes, BuildToFileReadsTheDriveForReadingOnly) {
    const Bytes original = fatBootSector();
    ScriptedPlatform &platform = resetScriptedPlatform(original);
    platform.geometry.mediaType = 11;
    EXPECT_EQ(runTool({"E:", "-ownrisk", "-b", "new.bin"}).status, 0);
    EXPECT_EQ(platform.files["new.bin"], builtFrom(original, 63));
    EXPECT_EQ(platform.volume, original);
    EXPECT_EQ(platform.log.front(), kOpenForReading);
}

TEST(RunModes, BuildBlankWritesTheLoaderWithZeroParameters) {
    ScriptedPlatform &platform = resetScriptedPlatform(fatBootSector());
    EXPECT_EQ(runTool({"-ownrisk", "-ignore", "-b", "out.bin"}).status, 0);
    EXPECT_EQ(platform.files["out.bin"], builtFrom(Bytes(512, 0), 0));
    EXPECT_EQ(platform.log, (Log{"allocate 1023", "create file out.bin.tmp", "write file out.bin.tmp",
                                 "flush file out.bin.tmp", "close file out.bin.tmp",
                                 "rename out.bin.tmp to out.bin", "free"}));
}

TEST(RunModes, LargeSectorsAreReadAndWrittenWhole) {
    FatLayout layout;
    layout.bytesPerSector = 2048;
    layout.totalSectors16 = 720;
    layout.rootEntries = 128;
    layout.fatSize16 = 2;
    Bytes original = fatBootSector(layout, 2048);
    for (size_t i = 0x200; i < 2048; ++i)
        original[i] = static_cast<unsigned char>(i * 7);
    ScriptedPlatform &platform = resetScriptedPlatform(original);
    platform.geometry = DriveGeometry{720, 12, 1, 1, 2048};
    platform.partition = PartitionInformation{2048 * 100, 2048 * 720, 0x06};
    EXPECT_EQ(runTool({"E:", "-ownrisk"}).status, 0);
    EXPECT_EQ(platform.volume, builtFrom(original, 100));
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

void fail(ScriptedPlatform &platform, PlatformStep step, int onCall = 1) {
    platform.faults[step] = ScriptedFault{Fault::Fail, onCall};
}
void shorten(ScriptedPlatform &platform, PlatformStep step) {
    platform.faults[step] = ScriptedFault{Fault::Partial, 1};
}

const Lines kReadChecked{lines::readFrom("E:"), lines::checked};
const Lines kBuilt{lines::readFrom("E:"), lines::checked, lines::created};

const FailureCase kFailures[] = {
    {"a volume that cannot be opened ends the run without a release", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::OpenVolume); },
     {lines::failed("Open E:")}, {kOpenForWriting + " failed"}},
    {"a volume that cannot be locked is closed without unlock", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::LockVolume); },
     {lines::failed("Exclusive access E:")}, {"lock failed", "close volume"}},
    {"a failing geometry query is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Geometry); },
     {lines::failed("Get Disk Geometry E:")}, {"geometry failed", "unlock", "close volume"}},
    {"a failing partition query is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.mediaType = 12; fail(p, PlatformStep::Partition); },
     {lines::failed("Get Partition Info Removable or Fixed Hard Disk E:")},
     {"partition info failed", "unlock", "close volume"}},
    {"partition type 7 is unknown", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.mediaType = 0; p.partition.partitionType = 0x07; },
     {lines::failed("Unknown Partition Type 7 on Removable or Fixed Hard Disk E:")},
     {"partition info", "unlock", "close volume"}},
    {"partition type 131 is shown unsigned", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.mediaType = 11; p.partition.partitionType = 0x83; },
     {lines::failed("Unknown Partition Type 131 on Removable or Fixed Hard Disk E:")},
     {"partition info", "unlock", "close volume"}},
    {"an unknown floppy media type is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.mediaType = 23; },
     {lines::failed("Unknown Floppy Disk Media Type 23 on E:")}, {"geometry", "unlock", "close volume"}},
    {"a sector size of 0 is refused before any buffer", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytesPerSector = 0; },
     {lines::failed("Unsupported sector size 0 on E:")}, {"geometry", "unlock", "close volume"}},
    {"a sector size that is no power of two is refused", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytesPerSector = 520; },
     {lines::failed("Unsupported sector size 520 on E:")}, {"geometry", "unlock", "close volume"}},
    {"a sector size above 32768 is refused", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytesPerSector = 65536; },
     {lines::failed("Unsupported sector size 65536 on E:")}, {"geometry", "unlock", "close volume"}},
    {"a sector too small for a boot sector is refused", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.geometry.bytesPerSector = 128; p.geometry.mediaType = 22; },
     {lines::failed("Unsupported sector size 128 on E:")}, {"geometry", "unlock", "close volume"}},
    {"a failing allocation is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Allocate); },
     {lines::failed("No buffer memory")}, {"allocate 1023 failed", "unlock", "close volume"}},
    {"a failing seek before the read is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Seek); },
     {lines::failed("SetFilePointer on E:")}, {"seek failed", "free", "unlock", "close volume"}},
    {"a failing volume read is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::ReadVolume); },
     {lines::failed("ReadFile on E:")}, {"read volume failed", "free", "unlock", "close volume"}},
    {"a short volume read is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { shorten(p, PlatformStep::ReadVolume); },
     {lines::failed("Partial ReadFile on E:")}, {"read volume", "free", "unlock", "close volume"}},
    {"a sector that fails the check is not written", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { p.volume[0x1FE] = 0; p.volume[0x1FF] = 0; },
     {lines::readFrom("E:"), lines::illegalOn("E:")}, {"read volume", "free", "unlock", "close volume"}},
    {"a missing restore file is reported", {"E:", "-ownrisk", "-r", "boot.sav"}, nullptr,
     concat(kReadChecked, {lines::failed("Open Read on boot.sav")}),
     {"open file boot.sav failed", "free", "unlock", "close volume"}},
    {"a failing restore file read is reported", {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) { p.files["boot.sav"] = Bytes(512, 1); fail(p, PlatformStep::ReadFile); },
     concat(kReadChecked, {lines::failed("ReadFile on boot.sav")}),
     {"read file boot.sav failed", "free", "close file boot.sav", "unlock", "close volume"}},
    {"a restore file shorter than a sector is refused", {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) { p.files["boot.sav"] = Bytes(511, 1); },
     concat(kReadChecked, {lines::failed("Partial ReadFile on boot.sav")}),
     {"read file boot.sav", "free", "close file boot.sav", "unlock", "close volume"}},
    {"a restore file of arbitrary bytes fails the check and is not written",
     {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) { p.files["boot.sav"] = Bytes(512, 0x5A); },
     concat(kReadChecked, {lines::readFromFile("boot.sav"), lines::illegalInFile("boot.sav")}),
     {"read file boot.sav", "free", "close file boot.sav", "unlock", "close volume"}},
    {"a failing seek before the write is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::Seek, 2); },
     concat(kBuilt, {lines::failed("SetFilePointer on E:")}),
     {"seek failed", "free", "unlock", "close volume"}},
    {"a failing volume write is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::WriteVolume); },
     concat(kBuilt, {lines::failed("WriteFile on E:")}),
     {"write volume failed", "free", "unlock", "close volume"}},
    {"a short volume write is reported", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { shorten(p, PlatformStep::WriteVolume); },
     concat(kBuilt, {lines::failed("Partial WriteFile on E:")}),
     {"write volume", "free", "unlock", "close volume"}},
    {"a sector file that cannot be created is reported", {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CreateTemporaryFile); },
     concat(kReadChecked, {lines::failed("Open Write on VXLD.BIN")}),
     {"create file VXLD.BIN.tmp failed", "free", "close volume"}},
    {"a failing sector file write leaves no file behind", {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::WriteFile); },
     concat(kReadChecked, {lines::failed("WriteFile on VXLD.BIN")}),
     {"write file VXLD.BIN.tmp failed", "free", "close file VXLD.BIN.tmp", "remove VXLD.BIN.tmp",
      "close volume"}},
    {"a short sector file write leaves no file behind", {"E:", "-ownrisk", "-b", "new.bin"},
     [](ScriptedPlatform &p) { shorten(p, PlatformStep::WriteFile); },
     concat(kBuilt, {lines::failed("Partial WriteFile on new.bin")}),
     {"write file new.bin.tmp", "free", "close file new.bin.tmp", "remove new.bin.tmp", "close volume"}},
    {"a failing flush of the sector file leaves no file behind", {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::FlushFile); },
     concat(kReadChecked, {lines::failed("Flush File VXLD.BIN")}),
     {"flush file VXLD.BIN.tmp failed", "free", "close file VXLD.BIN.tmp", "remove VXLD.BIN.tmp",
      "close volume"}},
    {"a failing close of the written sector file comes before success", {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CloseFile); },
     concat(kReadChecked, {lines::failed("Close File VXLD.BIN")}),
     {"close file VXLD.BIN.tmp failed", "free", "remove VXLD.BIN.tmp", "close volume"}},
    {"a failing rename keeps the old file", {"E:", "-ownrisk", "-b", "new.bin"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::RenameFile); },
     concat(kBuilt, {lines::failed("Rename to File new.bin")}),
     {"rename new.bin.tmp to new.bin failed", "free", "remove new.bin.tmp", "close volume"}},
    {"a temporary file that cannot be removed is named", {"E:", "-ownrisk", "-f"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::WriteFile); fail(p, PlatformStep::RemoveFile); },
     concat(kReadChecked, {lines::failed("WriteFile on VXLD.BIN"), lines::failed("Delete File VXLD.BIN.tmp")}),
     {"free", "close file VXLD.BIN.tmp", "remove VXLD.BIN.tmp failed", "close volume"}},
    {"a blank build whose file cannot be created holds no volume", {"-ownrisk", "-ignore", "-b"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CreateTemporaryFile); },
     {lines::skipped, lines::created, lines::failed("Open Write on VXLD.BIN")},
     {"create file VXLD.BIN.tmp failed", "free"}},
    {"a failing file close after success turns the status to 1", {"E:", "-ownrisk", "-r", "boot.sav"},
     [](ScriptedPlatform &p) { p.files["boot.sav"] = fatBootSector(); fail(p, PlatformStep::CloseFile); },
     concat(kReadChecked, {lines::readFromFile("boot.sav"), lines::fileChecked("boot.sav"),
                           lines::toDisk("E:"), lines::done, lines::failed("Close File boot.sav")}),
     {"free", "close file boot.sav failed", "unlock", "close volume"}},
    {"a failing unlock after success still closes the volume", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::UnlockVolume); },
     concat(kBuilt, {lines::toDisk("E:"), lines::done, lines::failed("Unlock volume E:")}),
     {"free", "unlock failed", "close volume"}},
    {"a failing volume close after success turns the status to 1", {"E:", "-ownrisk"},
     [](ScriptedPlatform &p) { fail(p, PlatformStep::CloseVolume); },
     concat(kBuilt, {lines::toDisk("E:"), lines::done, lines::failed("Close volume E:")}),
     {"free", "unlock", "close volume failed"}},
};

bool isWrite(const std::string &entry) {
    return entry.rfind("write", 0) == 0 && entry.find("failed") == std::string::npos;
}

bool startsWith(const std::string &text, const char *prefix) {
    return text.rfind(prefix, 0) == 0;
}

// An operation of the write step, which may have written before it failed.
bool isWriteStep(const std::string &entry) {
    return startsWith(entry, "write") || startsWith(entry, "flush") || startsWith(entry, "rename") ||
           (startsWith(entry, "close file") && entry.find(".tmp") != std::string::npos);
}

// Sector files that every case finds in place, to see that a failed run leaves them be.
const std::map<std::string, Bytes> kEarlierSectorFiles{{"VXLD.BIN", Bytes(512, 0x0E)},
                                                       {"new.bin", Bytes(700, 0x0F)}};

void PrintTo(const FailureCase &row, std::ostream *out) {
    *out << row.behaviour;
}

class RunFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RunFailure, PrintsItsLineReleasesInOrderAndExitsWithOne) {
    const FailureCase &c = GetParam();
    const Bytes original = fatBootSector();
    ScriptedPlatform &platform = resetScriptedPlatform(original);
    platform.files = kEarlierSectorFiles;
    if (c.script)
        c.script(platform);
    const Bytes volumeBefore = platform.volume;
    const auto filesBefore = platform.files;

    const RunResult result = runTool(c.args);

    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.lines, c.output);
    ASSERT_GE(platform.log.size(), c.release.size());
    EXPECT_EQ(Log(platform.log.end() - static_cast<long>(c.release.size()), platform.log.end()),
              c.release)
        << "whole log: " << testing::PrintToString(platform.log);
    EXPECT_EQ(platform.openHandles, 0);
    EXPECT_EQ(platform.heldBlocks, 0);

    const bool failedBeforeWriting = result.lines.back().find("Sucess") == std::string::npos &&
                                     std::find(result.lines.begin(), result.lines.end(), lines::done) ==
                                         result.lines.end();
    const bool writeStepFailed = !c.release.empty() && isWriteStep(c.release.front());
    if (failedBeforeWriting && !writeStepFailed) {
        EXPECT_EQ(platform.volume, volumeBefore) << "the drive is untouched";
        EXPECT_EQ(std::count_if(platform.log.begin(), platform.log.end(), isWrite), 0);
        for (const auto &file : platform.files) {
            if (filesBefore.count(file.first) != 0) {
                EXPECT_EQ(file.second, filesBefore.at(file.first)) << file.first;
            }
        }
    }
    // Whatever failed, a sector file is the old one or none, never a part.
    for (const auto &earlier : kEarlierSectorFiles)
        EXPECT_EQ(platform.files[earlier.first], earlier.second) << earlier.first;
    const bool toldToDelete = std::any_of(result.lines.begin(), result.lines.end(), [](const std::string &line) {
        return line.find("Failed: Delete File") != std::string::npos;
    });
    for (const auto &file : platform.files) {
        if (!toldToDelete) {
            EXPECT_EQ(file.first.find(".tmp"), std::string::npos) << file.first << " was left behind";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RunFailure, testing::ValuesIn(kFailures), BEHAVIOUR_NAMES);

}  // namespace
