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

#include "boot_sector_layout.h"
#include "linux_tool.h"
#include "shell.h"
#include "test_names.h"
#include "tool_lines.h"

namespace ombix::bootdisk {
namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

constexpr size_t kSector = 512;

struct Content {
    std::string name;
    Bytes bytes;
};

std::vector<Content> sample_files() {
    Bytes text;
    const std::string line = "The boot drive keeps every file it had.\n";
    for (int i = 0; i < 40; ++i) text.insert(text.end(), line.begin(), line.end());
    Bytes binary(5000);
    uint32_t state = 12345;
    for (unsigned char &b : binary) {
        state = state * 1103515245u + 12345u;
        b = static_cast<unsigned char>(state >> 16);
    }
    return {{"README.TXT", text}, {"BOOTROM.SYS", binary}, {"EMPTY.DAT", {}}};
}

void fill_image(const ScratchDirectory &dir, const std::filesystem::path &image) {
    for (const Content &file : sample_files()) {
        write_bytes(dir / file.name, file.bytes);
        ASSERT_NO_FATAL_FAILURE(must_run("MTOOLS_SKIP_CHECK=1 mcopy -i " + shell_quoted(image.string()) + " " +
                                         shell_quoted((dir / file.name).string()) + " ::" + file.name));
    }
}

void expect_files_read_back(const std::filesystem::path &image) {
    for (const Content &file : sample_files()) {
        const CommandResult read =
            run_command("MTOOLS_SKIP_CHECK=1 mtype -i " + shell_quoted(image.string()) + " ::" + file.name);
        EXPECT_EQ(read.status, 0) << read.output;
        EXPECT_EQ(read.output, std::string(file.bytes.begin(), file.bytes.end())) << file.name;
    }
}

void expect_volume_clean(const std::filesystem::path &image) {
    const CommandResult check = run_command("fsck.fat -n " + shell_quoted(image.string()));
    EXPECT_EQ(check.status, 0) << check.output;
}

bool may_change(size_t offset) {
    for (const SectorField field : {kJump, bpb::kHiddenSectors, kLoader})
        if (offset >= field.offset && offset < field.end()) return true;
    return false;
}

// Only the loader's bytes of the sector at 'at' may differ; nothing else in the image.
void expect_only_loader_bytes_changed(const Bytes &before, const Bytes &after, size_t at) {
    ASSERT_EQ(before.size(), after.size());
    ASSERT_LE(at + kSector, before.size());
    const auto sector_start = static_cast<std::ptrdiff_t>(at);
    const auto sector_end = static_cast<std::ptrdiff_t>(at + kSector);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + sector_start, after.begin()))
        << "bytes before the sector changed";
    EXPECT_TRUE(std::equal(before.begin() + sector_end, before.end(), after.begin() + sector_end))
        << "bytes after the sector changed";
    for (size_t i = 0; i < kSector; ++i) {
        if (!may_change(i)) {
            EXPECT_EQ(before[at + i], after[at + i]) << "sector byte " << i << " changed";
        }
    }
    EXPECT_EQ(after[at + 0], 0xEB);
    EXPECT_EQ(after[at + 1], 0x3C);
    EXPECT_EQ(after[at + 2], 0x90);
}

uint32_t hidden_sectors_of(const Bytes &image, size_t at) {
    return read_field(image.data() + at, bpb::kHiddenSectors);
}

Lines made_bootable(const std::string &drive) {
    return {lines::read_from(drive), lines::kChecked, lines::kCreated, lines::to_disk(drive), lines::kDone};
}

struct ImageFormat {
    const char *behaviour;
    const char *mkfs_options;
    unsigned kilobytes;
};

void PrintTo(const ImageFormat &row, std::ostream *out) {
    *out << row.behaviour;
}

class FormattedImage : public testing::TestWithParam<ImageFormat> {};

TEST_P(FormattedImage, is_made_bootable_cleanly_and_restored_exactly) {
    const ImageFormat &format = GetParam();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(must_run(std::string("mkfs.fat ") + format.mkfs_options + " -C " +
                                     shell_quoted(image.string()) + " " + std::to_string(format.kilobytes)));
    ASSERT_NO_FATAL_FAILURE(fill_image(dir, image));
    const Bytes original = read_bytes(image);

    const CommandResult save = run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk", "-f", "save.bin"});
    ASSERT_EQ(save.status, 0) << save.output;
    EXPECT_EQ(read_bytes(dir / "save.bin"), Bytes(original.begin(), original.begin() + kSector));

    const CommandResult make = run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk"});
    EXPECT_EQ(make.status, 0);
    EXPECT_EQ(output_lines(make.output), made_bootable("A:"));
    const Bytes bootable = read_bytes(image);
    expect_only_loader_bytes_changed(original, bootable, 0);
    EXPECT_EQ(hidden_sectors_of(bootable, 0), 0u);
    expect_volume_clean(image);
    expect_files_read_back(image);

    const CommandResult restore = run_linux_tool(dir, volume('A', image), {"a:", "-ownrisk", "-r", "save.bin"});
    EXPECT_EQ(restore.status, 0) << restore.output;
    EXPECT_EQ(read_bytes(image), original) << "restore gives the original sector back";
}

INSTANTIATE_TEST_SUITE_P(Formats, FormattedImage,
                         testing::Values(ImageFormat{"floppy_360k", "", 360}, ImageFormat{"floppy_720k", "", 720},
                                         ImageFormat{"floppy_1440k", "", 1440}, ImageFormat{"floppy_2880k", "", 2880},
                                         ImageFormat{"fat16", "-F 16", 16384},
                                         ImageFormat{"fat16_big_clusters", "-F 16 -s 8", 20480}),
                         [](const auto &row) { return std::string(row.param.behaviour); });

// What a restore file may hold, and whether the tool writes it to the drive.
struct RestoreCase {
    const char *behaviour;
    // Makes the restore file in dir for the 1.44 MB floppy image.
    std::function<Bytes(const ScratchDirectory &dir, const std::filesystem::path &image)> restore_file;
    std::vector<std::string> switches;  // after "A:", "-ownrisk", "-r", "restore.bin"
    bool accepted;
};

void PrintTo(const RestoreCase &row, std::ostream *out) {
    *out << row.behaviour;
}

Bytes pseudo_random(size_t size, uint32_t seed) {
    Bytes bytes(size);
    for (unsigned char &b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    return bytes;
}

// The first sector of another image that mkfs.fat makes; empty if it cannot.
Bytes first_sector_of(const ScratchDirectory &dir, const std::string &options, unsigned kilobytes) {
    const std::filesystem::path other = dir / "other.img";
    must_run("mkfs.fat " + options + " -C " + shell_quoted(other.string()) + " " + std::to_string(kilobytes));
    const Bytes bytes = read_bytes(other);
    return bytes.size() < kSector ? Bytes{} : Bytes(bytes.begin(), bytes.begin() + kSector);
}

const RestoreCase kRestores[] = {
    {"random bytes are refused",
     [](const ScratchDirectory &, const std::filesystem::path &) { return pseudo_random(kSector, 11); },
     {},
     false},
    {"random bytes after a sound signature are refused",
     [](const ScratchDirectory &, const std::filesystem::path &) {
         Bytes bytes = pseudo_random(kSector, 12);
         write_field(bytes.data(), kBootSignature, 0xAA55);
         return bytes;
     },
     {},
     false},
    {"the sector of a larger volume is refused",
     [](const ScratchDirectory &dir, const std::filesystem::path &) { return first_sector_of(dir, "", 2880); },
     {},
     false},
    {"a FAT32 sector is refused",
     [](const ScratchDirectory &dir, const std::filesystem::path &) { return first_sector_of(dir, "-F 32", 1440); },
     {},
     false},
    {"a longer file gives its first sector",
     [](const ScratchDirectory &dir, const std::filesystem::path &image) {
         must_run("cd " + shell_quoted(dir.path().string()) + " && VXBOOTDISK_A=" + shell_quoted(image.string()) + " " +
                  shell_quoted(VXBOOTDISK_PROGRAM) + " A: -ownrisk -b built.bin");
         Bytes bytes = read_bytes(dir / "built.bin");
         const Bytes tail = pseudo_random(1000, 13);
         bytes.insert(bytes.end(), tail.begin(), tail.end());
         return bytes;
     },
     {},
     true},
    {"random bytes are written with -ignore",
     [](const ScratchDirectory &, const std::filesystem::path &) { return pseudo_random(kSector, 14); },
     {"-ignore"},
     true},
};

class RestoreFile : public testing::TestWithParam<RestoreCase> {};

TEST_P(RestoreFile, is_checked_like_the_drives_sector_before_it_is_written) {
    const RestoreCase &c = GetParam();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(must_run("mkfs.fat -C " + shell_quoted(image.string()) + " 1440"));
    ASSERT_NO_FATAL_FAILURE(fill_image(dir, image));
    const Bytes original = read_bytes(image);
    const Bytes restore = c.restore_file(dir, image);
    ASSERT_GE(restore.size(), kSector);
    write_bytes(dir / "restore.bin", restore);

    std::vector<std::string> args{"A:", "-ownrisk", "-r", "restore.bin"};
    args.insert(args.end(), c.switches.begin(), c.switches.end());
    const CommandResult result = run_linux_tool(dir, volume('A', image), args);

    const Bytes after = read_bytes(image);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin() + kSector, original.end(), after.begin() + kSector))
        << "only the first sector may change";
    if (c.accepted) {
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_EQ(Bytes(after.begin(), after.begin() + kSector), Bytes(restore.begin(), restore.begin() + kSector));
        return;
    }
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output),
              (Lines{lines::read_from("A:"), lines::kChecked, lines::read_from_file("restore.bin"),
                     lines::illegal_in_file("restore.bin")}));
    EXPECT_EQ(after, original);
    expect_volume_clean(image);
    expect_files_read_back(image);
}

INSTANTIATE_TEST_SUITE_P(Cases, RestoreFile, testing::ValuesIn(kRestores), OMBIX_BEHAVIOUR_NAMES);

TEST(Fat32Image, fails_the_check_and_is_left_alone) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "fat32.img";
    ASSERT_NO_FATAL_FAILURE(must_run("mkfs.fat -F 32 -C " + shell_quoted(image.string()) + " 34816"));
    const Bytes original = read_bytes(image);
    const CommandResult result = run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), (Lines{lines::read_from("A:"), lines::illegal_on("A:")}));
    EXPECT_EQ(read_bytes(image), original);
}

// A whole-disk image: a master boot record and one FAT16 partition at 2048.
struct DiskImage {
    std::filesystem::path path;
    Bytes partition;  // the partition as formatted and filled
    size_t start;     // in bytes
};

DiskImage make_disk_image(const ScratchDirectory &dir, uint8_t partition_type) {
    const std::filesystem::path partition_image = dir / "partition.img";
    must_run("mkfs.fat -F 16 -C " + shell_quoted(partition_image.string()) + " 16384");
    fill_image(dir, partition_image);
    DiskImage disk{dir / "disk.img", read_bytes(partition_image), 2048 * kSector};
    Bytes bytes(disk.start, 0);
    const uint32_t sectors = static_cast<uint32_t>(disk.partition.size() / kSector);
    unsigned char *entry = &bytes[0x1BE];
    entry[4] = partition_type;
    for (int i = 0; i < 4; ++i) {
        entry[8 + i] = static_cast<unsigned char>(2048u >> (8 * i));
        entry[12 + i] = static_cast<unsigned char>(sectors >> (8 * i));
    }
    bytes[0x1FE] = 0x55;
    bytes[0x1FF] = 0xAA;
    bytes.insert(bytes.end(), disk.partition.begin(), disk.partition.end());
    bytes.insert(bytes.end(), 100 * kSector, 0xE5);  // space after the partition
    write_bytes(disk.path, bytes);
    return disk;
}

TEST(WholeDiskImage, only_the_partitions_first_sector_changes_and_records_its_start) {
    ScratchDirectory dir;
    const DiskImage disk = make_disk_image(dir, 0x06);
    const Bytes original = read_bytes(disk.path);
    const CommandResult result = run_linux_tool(dir, volume('C', disk.path, "@2048"), {"C:", "-ownrisk"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(output_lines(result.output), made_bootable("C:"));
    const Bytes after = read_bytes(disk.path);
    expect_only_loader_bytes_changed(original, after, disk.start);
    EXPECT_EQ(hidden_sectors_of(after, disk.start), 2048u);

    const std::filesystem::path extracted = dir / "extracted.img";
    write_bytes(extracted, Bytes(after.begin() + static_cast<long>(disk.start),
                                 after.begin() + static_cast<long>(disk.start + disk.partition.size())));
    expect_volume_clean(extracted);
    expect_files_read_back(extracted);
}

TEST(WholeDiskImage, a_partition_of_an_unknown_type_is_refused) {
    ScratchDirectory dir;
    const DiskImage disk = make_disk_image(dir, 0x83);
    const Bytes original = read_bytes(disk.path);
    const CommandResult result = run_linux_tool(dir, volume('C', disk.path, "@2048"), {"C:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output),
              (Lines{lines::failed("Unknown Partition Type 131 on Removable or Fixed Hard Disk C:")}));
    EXPECT_EQ(read_bytes(disk.path), original);
}

TEST(LinuxVolumes, an_unset_drive_variable_cannot_be_opened) {
    ScratchDirectory dir;
    const CommandResult result = run_linux_tool(dir, "", {"A:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), (Lines{lines::failed("Open A:")}));
}

TEST(LinuxVolumes, an_image_locked_by_another_program_is_refused_for_writing) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(must_run("mkfs.fat -C " + shell_quoted(image.string()) + " 1440"));
    const Bytes original = read_bytes(image);
    const int holder = open(image.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const CommandResult result = run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), (Lines{lines::failed("Exclusive access A:")}));
    EXPECT_EQ(read_bytes(image), original);

    const CommandResult save = run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk", "-f"});
    EXPECT_EQ(save.status, 0) << "reading needs no lock: " << save.output;
    close(holder);
}

TEST(LinuxVolumes, build_to_file_writes_the_sector_the_drive_would_get) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(must_run("mkfs.fat -C " + shell_quoted(image.string()) + " 720"));
    const Bytes original = read_bytes(image);
    const CommandResult build = run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk", "-b"});
    EXPECT_EQ(build.status, 0) << build.output;
    EXPECT_EQ(read_bytes(image), original) << "the drive is only read";
    ASSERT_EQ(run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk"}).status, 0);
    const Bytes bootable = read_bytes(image);
    EXPECT_EQ(read_bytes(dir / "VXLD.BIN"), Bytes(bootable.begin(), bootable.begin() + kSector));
}

TEST(LinuxVolumes, a_sector_file_that_cannot_be_created_leaves_the_drive_alone) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(must_run("mkfs.fat -C " + shell_quoted(image.string()) + " 1440"));
    const CommandResult result =
        run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk", "-f", "no/such/dir/save.bin"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output).back(), lines::failed("Open Write on no/such/dir/save.bin"));
}

}  // namespace
}  // namespace ombix::bootdisk
