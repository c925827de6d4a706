// Disks on a fake sysfs: which block devices are disks, their order, model
// and serial sources, partitions with the file system type and the free
// space where mounted. SMART needs a real ATA disk (tests/kernel).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "disk_scan.h"
#include "fake_root.h"
#include "ombix_linux_board.h"

namespace {

using ombix::linux_test::configure;
using ombix::linux_test::FakeRoot;

const char *const kAtaDisk = "sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda";
const char *const kNvmeDisk = "sys/devices/pci0000:00/0000:00:01.0/nvme/nvme0/nvme0n1";

// A block device at `folder` with its /sys/block link and its attributes.
void block(FakeRoot &root, const std::string &folder, const std::map<std::string, std::string> &attributes) {
    for (const auto &a : attributes) root.file(folder + "/" + a.first, a.second + "\n");
    std::string name = folder.substr(folder.rfind('/') + 1);
    root.link("sys/block/" + name, folder);
}

// A swap area, the simplest signature libblkid knows: version 1, the last page's number, the
// magic at the first page's end (libblkid ignores areas of too few pages).
std::vector<unsigned char> swap_area() {
    std::vector<unsigned char> area(65536, 0);
    area[1024] = 1;
    area[1028] = 15;
    std::string magic = "SWAPSPACE2";
    std::copy(magic.begin(), magic.end(), area.begin() + 4096 - 10);
    return area;
}

// Two disks in an order their names do not give, a loop device, partitions
// of the ATA disk: one with a swap signature, one only known as mounted.
void lay_out(FakeRoot &root) {
    block(root, kAtaDisk, {{"size", "2097152"}, {"device/model", "QEMU HARDDISK   "}});
    std::string page = std::string("\x00\x80\x00\x0c", 4) + "  ATA-SER-07";
    root.file(std::string(kAtaDisk) + "/device/vpd_pg80", page);
    for (const char *p : {"sda1", "sda2"}) {
        std::string n(1, p[3]);
        root.file(std::string(kAtaDisk) + "/" + p + "/partition", n + "\n");
        root.file(std::string(kAtaDisk) + "/" + p + "/size", n == "1" ? "204800\n" : "1843200\n");
        root.file(std::string(kAtaDisk) + "/" + p + "/dev", "8:" + n + "\n");
    }
    block(root, kNvmeDisk, {{"size", "1048576"}, {"device/model", "Fast NVMe"}, {"device/serial", " NV123 "}});
    block(root, "sys/devices/virtual/block/loop0", {{"size", "2048"}});
    root.bytes("dev/sda1", swap_area());
    root.file("mnt/my data/.keep", "");
    root.file("proc/self/mountinfo",
              "21 1 0:20 / / rw - tmpfs none rw\n"
              "30 21 8:2 / /mnt/my\\040data rw,relatime shared:3 - ext4 /dev/sda2 rw\n");
}

std::vector<DISK_DRIVE> disks() {
    int32_t count = 0;
    EXPECT_EQ(OmbixGetDiskDriveCount(0, &count), OMBIX_RC_OK);
    std::vector<DISK_DRIVE> list(static_cast<std::size_t>(count));
    EXPECT_EQ(OmbixGetDiskDriveList(0, list.data(), count), OMBIX_RC_OK);
    return list;
}

TEST(LinuxDisks, disks_go_by_their_place_with_model_serial_and_size_in_mib) {
    FakeRoot root;
    lay_out(root);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    std::vector<DISK_DRIVE> list = disks();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_STREQ(list[0].name, "nvme0n1");
    EXPECT_STREQ(list[0].model, "Fast NVMe");
    EXPECT_STREQ(list[0].diskSerialNumber, "NV123");
    EXPECT_EQ(list[0].size, 512u);
    EXPECT_STREQ(list[1].name, "sda");
    EXPECT_STREQ(list[1].model, "QEMU HARDDISK");
    EXPECT_STREQ(list[1].diskSerialNumber, "ATA-SER-07");
    EXPECT_EQ(list[1].size, 1024u);

    ASSERT_EQ(configure(root, R"({"disks": {"virtual": true}})"), OMBIX_RC_OK);
    list = disks();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list[2].name, "loop0");
    EXPECT_STREQ(list[2].model, "");
    EXPECT_EQ(list[2].size, 1u);
}

TEST(LinuxDisks, partitions_carry_their_type_and_free_space_where_mounted) {
    FakeRoot root;
    lay_out(root);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = 0;
    ASSERT_EQ(OmbixGetDiskDrivePartitionCount(0, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 2);
    // One record more than there are: it stays as the caller gave it (zeroed).
    std::vector<DISK_PARTITION> list(3);
    ASSERT_EQ(OmbixGetDiskDrivePartitionList(0, list.data(), 3), OMBIX_RC_OK);
    EXPECT_STREQ(list[0].name, "sda1");
    EXPECT_STREQ(list[0].fsType, "swap");
    EXPECT_EQ(list[0].partitionSize, 100u);
    EXPECT_EQ(list[0].freeSpace, 0u);  // not mounted
    EXPECT_STREQ(list[1].name, "sda2");
    EXPECT_STREQ(list[1].fsType, "ext4");  // no device to probe: the type it is mounted with
    EXPECT_EQ(list[1].partitionSize, 900u);
    EXPECT_GT(list[1].freeSpace, 0u);
    EXPECT_STREQ(list[2].name, "");
}

TEST(LinuxDisks, smart_of_a_disk_that_is_no_ata_device_is_empty_and_numbers_are_checked) {
    FakeRoot root;
    lay_out(root);
    root.bytes("dev/sda", std::vector<unsigned char>(4096, 0));
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = -1;
    SMART_ATTRIBUTE attrs[2] = {};
    for (int32_t disk : {0, 1}) {
        ASSERT_EQ(OmbixGetDiskDriveSMARTAttrCount(0, disk, &count), OMBIX_RC_OK);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(OmbixGetDiskDriveSMARTAttrs(0, disk, attrs, 2), OMBIX_RC_OK);
    }
    for (int32_t disk : {-1, 2, INT32_MAX}) {
        EXPECT_EQ(OmbixGetDiskDriveSMARTAttrCount(0, disk, &count), OMBIX_LINUX_RC_NO_DEVICE);
        EXPECT_EQ(OmbixGetDiskDriveSMARTAttrs(0, disk, attrs, 2), OMBIX_LINUX_RC_NO_DEVICE);
    }
    EXPECT_EQ(OmbixGetDiskDriveSMARTAttrs(0, 0, nullptr, 2), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixGetDiskDriveList(0, nullptr, 1), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixGetDiskDrivePartitionList(0, nullptr, -1), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixGetDiskDriveCount(0, nullptr), OMBIX_LINUX_RC_INVALID_ARGUMENT);
}

TEST(LinuxDisks, mountinfo_lines_are_matched_by_device_number_with_escapes_undone) {
    using ombix::linux_board::find_mount;
    const std::string info =
        "30 21 8:21 / /other rw - ext2 /dev/sdb5 rw\n"
        "31 21 8:2 /sub /a\\040b\\134c rw master:1 shared:2 - vfat /dev/sda2 rw\n"
        "32 21 8:2 / /second rw - vfat /dev/sda2 rw\n"
        "broken line\n";
    struct Case {
        const char *device, *point, *type;
    };
    for (const Case &c : std::vector<Case>{{"8:2", "/a b\\c", "vfat"}, {"8:21", "/other", "ext2"}, {"8:3", "", ""}}) {
        SCOPED_TRACE(c.device);
        auto mount = find_mount(info, c.device);
        EXPECT_EQ(mount.point, c.point);
        EXPECT_EQ(mount.type, c.type);
    }
}

}  // namespace
