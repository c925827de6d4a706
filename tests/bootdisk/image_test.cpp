// The Linux program on FAT images made and filled by the usual tools: the
// volume stays sound, its files stay readable, and only the loader's bytes,
// the jump and the hidden sectors change.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "linux_tool.h"
#include "shell.h"
#include "test_names.h"
#include "tool_lines.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

constexpr size_t kSector = 512;

struct Content {
    std::string name;
    Bytes bytes;
};

std::vector<Content> sampleFiles() {
    Bytes text;
    const std::string line = "The boot drive keeps every file it had.\n";
    for (int i = 0; i < 40; ++i)
        text.insert(text.end(), line.begin(), line.end());
    Bytes binary(5000);
    uint32_t state = 12345;
    for (unsigned char &b : binary) {
        state = state * 1103515245u + 12345u;
        b = static_cast<unsigned char>(state >> 16);
    }
    return {{"README.TXT", text}, {"BOOTROM.SYS", binary}, {"EMPTY.DAT", {}}};
}

void fillImage(const ScratchDirectory &dir, const std::filesystem::path &image) {
    for (const Content &file : sampleFiles()) {
        writeBytes(dir / file.name, file.bytes);
        ASSERT_NO_FATAL_FAILURE(mustRun("MTOOLS_SKIP_CHECK=1 mcopy -i " + shellQuoted(image.string()) + " " +
                                        shellQuoted((dir / file.name).string()) + " ::" + file.name));
    }
}

void expectFilesReadBack(const std::filesystem::path &image) {
    for (const Content &file : sampleFiles()) {
        const CommandResult read =
            runCommand("MTOOLS_SKIP_CHECK=1 mtype -i " + shellQuoted(image.string()) + " ::" + file.name);
        EXPECT_EQ(read.status, 0) << read.output;
        EXPECT_EQ(read.output, std::string(file.bytes.begin(), file.bytes.end())) << file.name;
    }
}

void expectVolumeClean(const std::filesystem::path &image) {
    const CommandResult check = runCommand("fsck.fat -n " + shellQuoted(image.string()));
    EXPECT_EQ(check.status, 0) << check.output;
}

bool mayChange(size_t offset) {
    return offset < 0x003 || (offset >= 0x01C && offset < 0x020) || (offset >= 0x03E && offset < 0x1FE);
}

// Only the loader's bytes of the sector at 'at' may differ; nothing else in the image.
void expectOnlyLoaderBytesChanged(const Bytes &before, const Bytes &after, size_t at) {
    ASSERT_EQ(before.size(), after.size());
    ASSERT_LE(at + kSector, before.size());
    const auto sectorStart = static_cast<std::ptrdiff_t>(at);
    const auto sectorEnd = static_cast<std::ptrdiff_t>(at + kSector);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + sectorStart, after.begin()))
        << "bytes before the sector changed";
    EXPECT_TRUE(std::equal(before.begin() + sectorEnd, before.end(), after.begin() + sectorEnd))
        << "bytes after the sector changed";
    for (size_t i = 0; i < kSector; ++i) {
        if (!mayChange(i)) {
            EXPECT_EQ(before[at + i], after[at + i]) << "sector byte " << i << " changed";
        }
    }
    EXPECT_EQ(after[at + 0], 0xEB);
    EXPECT_EQ(after[at + 1], 0x3C);
    EXPECT_EQ(after[at + 2], 0x90);
}

uint32_t hiddenSectorsOf(const Bytes &image, size_t at) {
    return static_cast<uint32_t>(image[at + 0x1C]) | static_cast<uint32_t>(image[at + 0x1D]) << 8 |
           static_cast<uint32_t>(image[at + 0x1E]) << 16 | static_cast<uint32_t>(image[at + 0x1F]) << 24;
}

Lines madeBootable(const std::string &drive) {
    return {lines::readFrom(drive), lines::checked, lines::created, lines::toDisk(drive), lines::done};
}

struct ImageFormat {
    const char *behaviour;
    const char *mkfsOptions;
    unsigned kilobytes;
};

void PrintTo(const ImageFormat &row, std::ostream *out) {
    *out << row.behaviour;
}

class FormattedImage : public testing::TestWithParam<ImageFormat> {};

TEST_P(FormattedImage, IsMadeBootableCleanlyAndRestoredExactly) {
    const ImageFormat &format = GetParam();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(mustRun(std::string("mkfs.fat ") + format.mkfsOptions + " -C " +
                                    shellQuoted(image.string()) + " " + std::to_string(format.kilobytes)));
    ASSERT_NO_FATAL_FAILURE(fillImage(dir, image));
    const Bytes original = readBytes(image);

    const CommandResult save = runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk", "-f", "save.bin"});
    ASSERT_EQ(save.status, 0) << save.output;
    EXPECT_EQ(readBytes(dir / "save.bin"), Bytes(original.begin(), original.begin() + kSector));

    const CommandResult make = runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk"});
    EXPECT_EQ(make.status, 0);
    EXPECT_EQ(outputLines(make.output), madeBootable("A:"));
    const Bytes bootable = readBytes(image);
    expectOnlyLoaderBytesChanged(original, bootable, 0);
    EXPECT_EQ(hiddenSectorsOf(bootable, 0), 0u);
    expectVolumeClean(image);
    expectFilesReadBack(image);

    const CommandResult restore =
        runLinuxTool(dir, volume('A', image), {"a:", "-ownrisk", "-r", "save.bin"});
    EXPECT_EQ(restore.status, 0) << restore.output;
    EXPECT_EQ(readBytes(image), original) << "restore gives the original sector back";
}

INSTANTIATE_TEST_SUITE_P(Formats, FormattedImage,
                         testing::Values(ImageFormat{"floppy360K", "", 360},
                                         ImageFormat{"floppy720K", "", 720},
                                         ImageFormat{"floppy1440K", "", 1440},
                                         ImageFormat{"floppy2880K", "", 2880},
                                         ImageFormat{"fat16", "-F 16", 16384},
                                         ImageFormat{"fat16BigClusters", "-F 16 -s 8", 20480}),
                         [](const auto &row) { return std::string(row.param.behaviour); });

// What a restore file may hold, and whether the tool writes it to the drive.
struct RestoreCase {
    const char *behaviour;
    // Makes the restore file in dir for the 1.44 MB floppy image.
    std::function<Bytes(const ScratchDirectory &dir, const std::filesystem::path &image)> restoreFile;
    std::vector<std::string> switches;  // after "A:", "-ownrisk", "-r", "restore.bin"
    bool accepted;
};

void PrintTo(const RestoreCase &row, std::ostream *out) {
    *out << row.behaviour;
}

Bytes pseudoRandom(size_t size, uint32_t seed) {
    Bytes bytes(size);
    for (unsigned char &b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    return bytes;
}

// The first sector of another image that mkfs.fat makes; empty if it cannot.
Bytes firstSectorOf(const ScratchDirectory &dir, const std::string &options, unsigned kilobytes) {
    const std::filesystem::path other = dir / "other.img";
    mustRun("mkfs.fat " + options + " -C " + shellQuoted(other.string()) + " " + std::to_string(kilobytes));
    const Bytes bytes = readBytes(other);
    return bytes.size() < kSector ? Bytes{} : Bytes(bytes.begin(), bytes.begin() + kSector);
}

const RestoreCase kRestores[] = {
    {"random bytes are refused", [](const ScratchDirectory &, const std::filesystem::path &) {
         return pseudoRandom(kSector, 11);
     }, {}, false},
    {"random bytes after a sound signature are refused", [](const ScratchDirectory &, const std::filesystem::path &) {
         Bytes bytes = pseudoRandom(kSector, 12);
         bytes[0x1FE] = 0x55;
         bytes[0x1FF] = 0xAA;
         return bytes;
     }, {}, false},
    {"the sector of a larger volume is refused", [](const ScratchDirectory &dir, const std::filesystem::path &) {
         return firstSectorOf(dir, "", 2880);
     }, {}, false},
    {"a FAT32 sector is refused", [](const ScratchDirectory &dir, const std::filesystem::path &) {
         return firstSectorOf(dir, "-F 32", 1440);
     }, {}, false},
    {"a longer file gives its first sector", [](const ScratchDirectory &dir, const std::filesystem::path &image) {
         mustRun("cd " + shellQuoted(dir.path().string()) + " && VXBOOTDISK_A=" + shellQuoted(image.string()) +
                 " " + shellQuoted(VXBOOTDISK_PROGRAM) + " A: -ownrisk -b built.bin");
         Bytes bytes = readBytes(dir / "built.bin");
         const Bytes tail = pseudoRandom(1000, 13);
         bytes.insert(bytes.end(), tail.begin(), tail.end());
         return bytes;
     }, {}, true},
    {"random bytes are written with -ignore", [](const ScratchDirectory &, const std::filesystem::path &) {
         return pseudoRandom(kSector, 14);
     }, {"-ignore"}, true},
};

class RestoreFile : public testing::TestWithParam<RestoreCase> {};

TEST_P(RestoreFile, IsCheckedLikeTheDrivesSectorBeforeItIsWritten) {
    const RestoreCase &c = GetParam();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(mustRun("mkfs.fat -C " + shellQuoted(image.string()) + " 1440"));
    ASSERT_NO_FATAL_FAILURE(fillImage(dir, image));
    const Bytes original = readBytes(image);
    const Bytes restore = c.restoreFile(dir, image);
    ASSERT_GE(restore.size(), kSector);
    writeBytes(dir / "restore.bin", restore);

    std::vector<std::string> args{"A:", "-ownrisk", "-r", "restore.bin"};
    args.insert(args.end(), c.switches.begin(), c.switches.end());
    const CommandResult result = runLinuxTool(dir, volume('A', image), args);

    const Bytes after = readBytes(image);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin() + kSector, original.end(), after.begin() + kSector))
        << "only the first sector may change";
    if (c.accepted) {
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_EQ(Bytes(after.begin(), after.begin() + kSector), Bytes(restore.begin(), restore.begin() + kSector));
        return;
    }
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), (Lines{lines::readFrom("A:"), lines::checked, lines::readFromFile("restore.bin"),
                                                 lines::illegalInFile("restore.bin")}));
    EXPECT_EQ(after, original);
    expectVolumeClean(image);
    expectFilesReadBack(image);
}

INSTANTIATE_TEST_SUITE_P(Cases, RestoreFile, testing::ValuesIn(kRestores), BEHAVIOUR_NAMES);

TEST(Fat32Image, FailsTheCheckAndIsLeftAlone) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "fat32.img";
    ASSERT_NO_FATAL_FAILURE(mustRun("mkfs.fat -F 32 -C " + shellQuoted(image.string()) + " 34816"));
    const Bytes original = readBytes(image);
    const CommandResult result = runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), (Lines{lines::readFrom("A:"), lines::illegalOn("A:")}));
    EXPECT_EQ(readBytes(image), original);
}

// A whole-disk image: a master boot record and one FAT16 partition at 2048.
struct DiskImage {
    std::filesystem::path path;
    Bytes partition;  // the partition as formatted and filled
    size_t start;     // in bytes
};

DiskImage makeDiskImage(const ScratchDirectory &dir, uint8_t partitionType) {
    const std::filesystem::path partitionImage = dir / "partition.img";
    mustRun("mkfs.fat -F 16 -C " + shellQuoted(partitionImage.string()) + " 16384");
    fillImage(dir, partitionImage);
    DiskImage disk{dir / "disk.img", readBytes(partitionImage), 2048 * kSector};
    Bytes bytes(disk.start, 0);
    const uint32_t sectors = static_cast<uint32_t>(disk.partition.size() / kSector);
    unsigned char *entry = &bytes[0x1BE];
    entry[4] = partitionType;
    for (int i = 0; i < 4; ++i) {
        entry[8 + i] = static_cast<unsigned char>(2048u >> (8 * i));
        entry[12 + i] = static_cast<unsigned char>(sectors >> (8 * i));
    }
    bytes[0x1FE] = 0x55;
    bytes[0x1FF] = 0xAA;
    bytes.insert(bytes.end(), disk.partition.begin(), disk.partition.end());
    bytes.insert(bytes.end(), 100 * kSector, 0xE5);  // space after the partition
    writeBytes(disk.path, bytes);
    return disk;
}

TEST(WholeDiskImage, OnlyThePartitionsFirstSectorChangesAndRecordsItsStart) {
    ScratchDirectory dir;
    const DiskImage disk = makeDiskImage(dir, 0x06);
    const Bytes original = readBytes(disk.path);
    const CommandResult result = runLinuxTool(dir, volume('C', disk.path, "@2048"), {"C:", "-ownrisk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(outputLines(result.output), madeBootable("C:"));
    const Bytes after = readBytes(disk.path);
    expectOnlyLoaderBytesChanged(original, after, disk.start);
    EXPECT_EQ(hiddenSectorsOf(after, disk.start), 2048u);

    const std::filesystem::path extracted = dir / "extracted.img";
    writeBytes(extracted, Bytes(after.begin() + static_cast<long>(disk.start),
                                after.begin() + static_cast<long>(disk.start + disk.partition.size())));
    expectVolumeClean(extracted);
    expectFilesReadBack(extracted);
}

TEST(WholeDiskImage, APartitionOfAnUnknownTypeIsRefused) {
    ScratchDirectory dir;
    const DiskImage disk = makeDiskImage(dir, 0x83);
    const Bytes original = readBytes(disk.path);
    const CommandResult result = runLinuxTool(dir, volume('C', disk.path, "@2048"), {"C:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output),
              (Lines{lines::failed("Unknown Partition Type 131 on Removable or Fixed Hard Disk C:")}));
    EXPECT_EQ(readBytes(disk.path), original);
}

TEST(LinuxVolumes, AnUnsetDriveVariableCannotBeOpened) {
    ScratchDirectory dir;
    const CommandResult result = runLinuxTool(dir, "", {"A:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), (Lines{lines::failed("Open A:")}));
}

TEST(LinuxVolumes, AnImageLockedByAnotherProgramIsRefusedForWriting) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(mustRun("mkfs.fat -C " + shellQuoted(image.string()) + " 1440"));
    const Bytes original = readBytes(image);
    const int holder = open(image.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const CommandResult result = runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), (Lines{lines::failed("Exclusive access A:")}));
    EXPECT_EQ(readBytes(image), original);

    const CommandResult save = runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk", "-f"});
    EXPECT_EQ(save.status, 0) << "reading needs no lock: " << save.output;
    close(holder);
}

TEST(LinuxVolumes, BuildToFileWritesTheSectorTheDriveWouldGet) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(mustRun("mkfs.fat -C " + shellQuoted(image.string()) + " 720"));
    const Bytes original = readBytes(image);
    const CommandResult build = runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk", "-b"});
    EXPECT_EQ(build.status, 0) << build.output;
    EXPECT_EQ(readBytes(image), original) << "the drive is only read";
    ASSERT_EQ(runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk"}).status, 0);
    const Bytes bootable = readBytes(image);
    EXPECT_EQ(readBytes(dir / "VXLD.BIN"), Bytes(bootable.begin(), bootable.begin() + kSector));
}

TEST(LinuxVolumes, ASectorFileThatCannotBeCreatedLeavesTheDriveAlone) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(mustRun("mkfs.fat -C " + shellQuoted(image.string()) + " 1440"));
    const CommandResult result =
        runLinuxTool(dir, volume('A', image), {"A:", "-ownrisk", "-f", "no/such/dir/save.bin"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output).back(), lines::failed("Open Write on no/such/dir/save.bin"));
}

}  // namespace
