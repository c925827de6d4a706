// The Linux program on block devices: loop devices over FAT images. Skipped
// where loop devices cannot be set up (not root, or none in this system).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell.h"
#include "tool_lines.h"

namespace ombix::bootdisk {
namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// A loop device over an image file, detached again at the end.
class LoopDevice {
public:
    LoopDevice(const std::filesystem::path &image, unsigned sector_size) {
        const CommandResult attach =
            run_command("losetup -b " + std::to_string(sector_size) + " -f --show " + shell_quoted(image.string()));
        if (attach.status == 0 && attach.output.rfind("/dev/", 0) == 0)
            device_ = attach.output.substr(0, attach.output.find('\n'));
        else
            failure_ = attach.output;
    }
    ~LoopDevice() {
        if (!device_.empty()) run_command("losetup -d " + shell_quoted(device_));
    }
    LoopDevice(const LoopDevice &) = delete;
    LoopDevice &operator=(const LoopDevice &) = delete;
    const std::string &device() const { return device_; }
    const std::string &failure() const { return failure_; }

private:
    std::string device_;
    std::string failure_;
};

CommandResult run_on_device(const ScratchDirectory &dir, const std::string &device,
                            const std::vector<std::string> &args) {
    std::string command = "cd " + shell_quoted(dir.path().string()) + " && VXBOOTDISK_A=" + shell_quoted(device) + " " +
                          shell_quoted(VXBOOTDISK_PROGRAM);
    for (const std::string &arg : args) command += " " + shell_quoted(arg);
    return run_command(command);
}

Lines made_bootable() {
    return {lines::read_from("A:"), lines::kChecked, lines::kCreated, lines::to_disk("A:"), lines::kDone};
}

TEST(BlockDevices, a_4096_byte_sector_device_is_made_bootable_with_whole_sectors) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "large-sectors.img";
    const CommandResult format = run_command("mkfs.fat -S 4096 -F 16 -C " + shell_quoted(image.string()) + " 65536");
    ASSERT_EQ(format.status, 0) << format.output;
    const Bytes original = read_bytes(image);
    {
        LoopDevice loop(image, 4096);
        if (loop.device().empty()) GTEST_SKIP() << "no loop device: " << loop.failure();
        const CommandResult result = run_on_device(dir, loop.device(), {"A:", "-ownrisk"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(output_lines(result.output), made_bootable());
    }
    const Bytes after = read_bytes(image);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin() + 4096, original.end(), after.begin() + 4096))
        << "only the first 4096-byte sector may change";
    EXPECT_TRUE(std::equal(original.begin() + 0x1FE, original.begin() + 4096, after.begin() + 0x1FE))
        << "the rest of the long sector stays";
    EXPECT_EQ(after[0], 0xEB);
    const CommandResult check = run_command("fsck.fat -n " + shell_quoted(image.string()));
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST(BlockDevices, a_device_claimed_elsewhere_is_written_only_with_system_drive) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "floppy.img";
    const CommandResult format = run_command("mkfs.fat -C " + shell_quoted(image.string()) + " 1440");
    ASSERT_EQ(format.status, 0) << format.output;
    const Bytes original = read_bytes(image);
    LoopDevice loop(image, 512);
    if (loop.device().empty()) GTEST_SKIP() << "no loop device: " << loop.failure();

    // An exclusive claim, as a mounted file system holds one.
    const int claim = open(loop.device().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    ASSERT_GE(claim, 0);
    const CommandResult refused = run_on_device(dir, loop.device(), {"A:", "-ownrisk"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(output_lines(refused.output), (Lines{lines::failed("Exclusive access A:")}));
    const CommandResult saved = run_on_device(dir, loop.device(), {"A:", "-ownrisk", "-f"});
    EXPECT_EQ(saved.status, 0) << "reading takes no claim: " << saved.output;
    const CommandResult forced = run_on_device(dir, loop.device(), {"A:", "-ownrisk", "-systemdrive"});
    EXPECT_EQ(forced.status, 0) << forced.output;
    close(claim);

    EXPECT_EQ(read_bytes(dir / "VXLD.BIN"), Bytes(original.begin(), original.begin() + 512));
}

}  // namespace
}  // namespace ombix::bootdisk
