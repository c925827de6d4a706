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

namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// A loop device over an image file, detached again at the end.
class LoopDevice {
public:
    LoopDevice(const std::filesystem::path &image, unsigned sectorSize) {
        const CommandResult attach = runCommand("losetup -b " + std::to_string(sectorSize) +
                                                " -f --show " + shellQuoted(image.string()));
        if (attach.status == 0 && attach.output.rfind("/dev/", 0) == 0)
            device_ = attach.output.substr(0, attach.output.find('\n'));
        else
            failure_ = attach.output;
    }
    ~LoopDevice() {
        if (!device_.empty())
            runCommand("losetup -d " + shellQuoted(device_));
    }
    LoopDevice(const LoopDevice &) = delete;
    LoopDevice &operator=(const LoopDevice &) = delete;
    const std::string &device() const { return device_; }
    const std::string &failure() const { return failure_; }

private:
    std::string device_;
    std::string failure_;
};

CommandResult runOnDevice(const ScratchDirectory &dir, const std::string &device,
                          const std::vector<std::string> &args) {
    std::string command = "cd " + shellQuoted(dir.path().string()) + " && VXBOOTDISK_A=" + shellQuoted(device) +
                          " " + shellQuoted(VXBOOTDISK_PROGRAM);
    for (const std::string &arg : args)
        command += " " + shellQuoted(arg);
    return runCommand(command);
}

Lines madeBootable() {
    return {lines::readFrom("A:"), lines::checked, lines::created, lines::toDisk("A:"), lines::done};
}

TEST(BlockDevices, A4096ByteSectorDeviceIsMadeBootableWithWholeSectors) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "large-sectors.img";
    const CommandResult format = runCommand("mkfs.fat -S 4096 -F 16 -C " + shellQuoted(image.string()) + " 65536");
    ASSERT_EQ(format.status, 0) << format.output;
    const Bytes original = readBytes(image);
    {
        LoopDevice loop(image, 4096);
        if (loop.device().empty())
            GTEST_SKIP() << "no loop device: " << loop.failure();
        const CommandResult result = runOnDevice(dir, loop.device(), {"A:", "-ownrisk"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(outputLines(result.output), madeBootable());
    }
    const Bytes after = readBytes(image);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin() + 4096, original.end(), after.begin() + 4096))
        << "only the first 4096-byte sector may change";
    EXPECT_TRUE(std::equal(original.begin() + 0x1FE, original.begin() + 4096, after.begin() + 0x1FE))
        << "the rest of the long sector stays";
    EXPECT_EQ(after[0], 0xEB);
    const CommandResult check = runCommand("fsck.fat -n " + shellQuoted(image.string()));
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST(BlockDevices, ADeviceClaimedElsewhereIsWrittenOnlyWithSystemDrive) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "floppy.img";
    const CommandResult format = runCommand("mkfs.fat -C " + shellQuoted(image.string()) + " 1440");
    ASSERT_EQ(format.status, 0) << format.output;
    const Bytes original = readBytes(image);
    LoopDevice loop(image, 512);
    if (loop.device().empty())
        GTEST_SKIP() << "no loop device: " << loop.failure();

    // An exclusive claim, as a mounted file system holds one.
    const int claim = open(loop.device().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    ASSERT_GE(claim, 0);
    const CommandResult refused = runOnDevice(dir, loop.device(), {"A:", "-ownrisk"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(outputLines(refused.output), (Lines{lines::failed("Exclusive access A:")}));
    const CommandResult saved = runOnDevice(dir, loop.device(), {"A:", "-ownrisk", "-f"});
    EXPECT_EQ(saved.status, 0) << "reading takes no claim: " << saved.output;
    const CommandResult forced = runOnDevice(dir, loop.device(), {"A:", "-ownrisk", "-systemdrive"});
    EXPECT_EQ(forced.status, 0) << forced.output;
    close(claim);

    EXPECT_EQ(readBytes(dir / "VXLD.BIN"), Bytes(original.begin(), original.begin() + 512));
}

}  // namespace
