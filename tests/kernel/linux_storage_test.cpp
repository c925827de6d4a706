// User storage and disks of ombixd --board linux on a real kernel, called
// over HTTP: an at24 EEPROM on i2c-stub as an nvmem area (checked through the
// stub's registers), a file-backed area that survives SIGKILL of ombixd, an
// IDE disk of QEMU with a partition table and file systems made on the host
// (checked against the guest's own tools), and bad input through the wire.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board_guest.h"
#include "ombixRemoteCall.h"
#include "ombix_linux_board.h"

namespace {

using ombix::kernel_test::BoardGuest;
using ombix::kernel_test::BoardGuestOptions;
using ombix::kernel_test::Guest;
using ombix::kernel_test::shell_quote;

const std::string kImage = std::string(OMBIX_KERNEL_TEST_WORK_DIR) + "/linux-storage-disk.img";
constexpr int32_t kFileAreaSize = 65536;

// 64 MiB: an ext2 partition of 20 MiB, a FAT16 one of 43 MiB, each made in place in the image.
const char *const kMakeImage = R"sh(
set -e
rm -f "$1"
truncate -s 64M "$1"
printf 'label: dos\nstart=2048, size=40960, type=83\nstart=43008, size=88064, type=6\n' | sfdisk -q "$1"
mke2fs -q -F -t ext2 -L OMBIXDATA -E offset=1048576 "$1" 20480
mkfs.fat -F 16 -n OMBIXFAT --offset 43008 "$1" 44032 >/dev/null
)sh";

// The EEPROM on the stub's 0x50, the disk's first partition mounted and
// partly filled, and the folder of the file-backed area.
const char *const kDevices = R"sh(
echo 24c02 0x50 > /sys/bus/i2c/devices/i2c-$(stub)/new_device
for i in $(seq 100); do [ -e /dev/sda1 ] && ls /sys/bus/nvmem/devices/*/nvmem >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -p /mnt/data /var/lib/ombix-areas
mount -t ext2 /dev/sda1 /mnt/data
dd if=/dev/zero of=/mnt/data/fill bs=1024 count=5120 2>/dev/null
sync
)sh";

std::string board_file() {
    return R"({"storage": {"files": [{"path": "/var/lib/ombix-areas/user.bin", "size": )" +
           std::to_string(kFileAreaSize) + "}]}}";
}

class LinuxStorageOnKernel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Guest::skip_reason()) return;
        image_made_ =
            std::system(("sh -c " + shell_quote(kMakeImage) + " make-image " + shell_quote(kImage)).c_str()) == 0;
        if (!image_made_) return;
        BoardGuestOptions options;
        options.modules = {"i2c-stub chip_addr=0x50", "i2c-dev", "at24", "ahci", "sd_mod", "ext4"};
        options.qemu_args = {"-drive", "file=" + kImage + ",format=raw,if=none,id=ombixdisk,snapshot=on", "-device",
                             "ide-hd,drive=ombixdisk,bus=ide.0,serial=OMBIX-DISK-0042,model=Ombix Test Disk"};
        options.devices = kDevices;
        options.board_file = board_file();
        board_ = std::make_unique<BoardGuest>(options);
    }
    static void TearDownTestSuite() { board_.reset(); }
    void SetUp() override {
        OMBIX_SKIP_WITHOUT_QEMU();
        ASSERT_TRUE(image_made_) << "the disk image could not be made (sfdisk, mke2fs, mkfs.fat)";
        ASSERT_TRUE(board_ && board_->ready) << (board_ ? board_->why() : "");
        h_ = board_->handle;
    }

    // The storage area of `size` bytes (sizes tell the EEPROM, the file and the RTC's memory apart).
    int32_t area_of_size(int32_t size) {
        int32_t count = 0;
        EXPECT_EQ(OmbixR_GetStorageCount(h_, &count), OMBIX_RC_OK);
        for (int32_t i = 0; i < count; ++i) {
            int32_t found = 0;
            EXPECT_EQ(OmbixR_GetStorageSize(h_, i, &found), OMBIX_RC_OK);
            if (found == size) return i;
        }
        return -1;
    }

    int32_t disk_named(const std::string &name, DISK_DRIVE *drive = nullptr) {
        int32_t count = 0;
        EXPECT_EQ(OmbixR_GetDiskDriveCount(h_, &count), OMBIX_RC_OK);
        std::vector<DISK_DRIVE> disks(static_cast<std::size_t>(count));
        EXPECT_EQ(OmbixR_GetDiskDriveList(h_, disks.data(), count), OMBIX_RC_OK);
        for (std::size_t i = 0; i < disks.size(); ++i) {
            if (disks[i].name != name) continue;
            if (drive != nullptr) *drive = disks[i];
            return static_cast<int32_t>(i);
        }
        return -1;
    }

    static std::unique_ptr<BoardGuest> board_;
    static bool image_made_;
    int32_t h_ = 0;
};

std::unique_ptr<BoardGuest> LinuxStorageOnKernel::board_;
bool LinuxStorageOnKernel::image_made_ = false;

TEST_F(LinuxStorageOnKernel, an_at24_eeprom_is_a_storage_area_written_and_read_through_its_registers) {
    int32_t eeprom = area_of_size(256);
    ASSERT_GE(eeprom, 0);
    const uint8_t data[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x42};
    ASSERT_EQ(OmbixR_StorageWrite(h_, eeprom, 0xF0, data, sizeof data), OMBIX_RC_OK);
    // The chip's side: its registers hold the bytes.
    EXPECT_EQ(board_->out("for r in 0xf0 0xf1 0xf2 0xf3 0xf4; do i2cget -f -y $(stub) 0x50 $r b; done"),
              "0xde\n0xad\n0xbe\n0xef\n0x42\n");
    // Set on the chip, read through the area (across the write's end).
    board_->out("i2cset -f -y $(stub) 0x50 0xf5 0x7e b");
    uint8_t back[6] = {};
    ASSERT_EQ(OmbixR_StorageRead(h_, eeprom, 0xF0, back, sizeof back), OMBIX_RC_OK);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 6), (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF, 0x42, 0x7E}));
    // A write that would run past the end changes nothing.
    EXPECT_EQ(OmbixR_StorageWrite(h_, eeprom, 0xFE, data, sizeof data), OMBIX_LINUX_RC_PAST_END);
    EXPECT_EQ(board_->out("i2cget -f -y $(stub) 0x50 0xfe b"), "0x00\n");
}

TEST_F(LinuxStorageOnKernel, a_file_area_keeps_what_was_written_when_ombixd_is_killed) {
    int32_t area = area_of_size(kFileAreaSize);
    ASSERT_GE(area, 0);
    std::vector<uint8_t> data(3000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
    ASSERT_EQ(OmbixR_StorageWrite(h_, area, kFileAreaSize - 3000, data.data(), 3000), OMBIX_RC_OK);
    ASSERT_EQ(board_->run("kill -9 " + std::to_string(board_->ombixd_pid)).status, 0);
    ASSERT_TRUE(board_->start_ombixd());
    h_ = board_->handle;
    std::vector<uint8_t> back(3000);
    ASSERT_EQ(OmbixR_StorageRead(h_, area, kFileAreaSize - 3000, back.data(), 3000), OMBIX_RC_OK);
    EXPECT_EQ(back, data);
    // The guest's side: the file ends where the area does and holds the bytes.
    EXPECT_EQ(board_->out("stat -c %s /var/lib/ombix-areas/user.bin"), std::to_string(kFileAreaSize) + "\n");
    std::istringstream dump(
        board_->out("od -An -v -tu1 -j " + std::to_string(kFileAreaSize - 3000) + " /var/lib/ombix-areas/user.bin"));
    std::vector<uint8_t> on_disk;
    unsigned byte = 0;
    while (dump >> byte) on_disk.push_back(static_cast<uint8_t>(byte));
    EXPECT_EQ(on_disk, data);
}

TEST_F(LinuxStorageOnKernel, disks_show_qemus_drive_with_its_partitions_types_and_free_space) {
    DISK_DRIVE drive{};
    int32_t sda = disk_named("sda", &drive);
    ASSERT_GE(sda, 0);
    EXPECT_STREQ(drive.model, "Ombix Test Disk");
    EXPECT_STREQ(drive.diskSerialNumber, "OMBIX-DISK-0042");
    EXPECT_EQ(drive.size, 64u);

    int32_t count = 0;
    ASSERT_EQ(OmbixR_GetDiskDrivePartitionCount(h_, &count), OMBIX_RC_OK);
    std::vector<DISK_PARTITION> partitions(static_cast<std::size_t>(count));
    ASSERT_EQ(OmbixR_GetDiskDrivePartitionList(h_, partitions.data(), count), OMBIX_RC_OK);
    const DISK_PARTITION *data = nullptr, *fat = nullptr;
    for (const DISK_PARTITION &p : partitions) {
        if (std::string(p.name) == "sda1") data = &p;
        if (std::string(p.name) == "sda2") fat = &p;
    }
    ASSERT_TRUE(data && fat);
    EXPECT_STREQ(data->fsType, "ext2");
    EXPECT_EQ(data->partitionSize, 20u);
    // What the guest's own statfs gives for the mount, in MiB.
    std::istringstream df(board_->out("stat -f -c '%a %S' /mnt/data"));
    unsigned long long blocks = 0, block_size = 0;
    df >> blocks >> block_size;
    EXPECT_EQ(data->freeSpace, blocks * block_size / (1024 * 1024));
    EXPECT_GT(data->freeSpace, 10u);
    EXPECT_LT(data->freeSpace, 15u);  // 5 MiB of 20 filled
    EXPECT_STREQ(fat->fsType, "vfat");
    EXPECT_EQ(fat->partitionSize, 43u);
    EXPECT_EQ(fat->freeSpace, 0u);  // not mounted
}

TEST_F(LinuxStorageOnKernel, smart_attributes_of_the_ata_disk_match_what_smartctl_reads) {
    int32_t sda = disk_named("sda");
    ASSERT_GE(sda, 0);
    int32_t count = 0;
    ASSERT_EQ(OmbixR_GetDiskDriveSMARTAttrCount(h_, sda, &count), OMBIX_RC_OK);
    ASSERT_GT(count, 0);
    std::vector<SMART_ATTRIBUTE> attrs(static_cast<std::size_t>(count));
    ASSERT_EQ(OmbixR_GetDiskDriveSMARTAttrs(h_, sda, attrs.data(), count), OMBIX_RC_OK);
    // smartctl's table: ID# ATTRIBUTE_NAME FLAG VALUE WORST THRESH TYPE UPDATED WHEN_FAILED RAW_VALUE, the raw
    // value a plain number where nothing follows it (-1 where smartctl formats it otherwise).
    std::istringstream table(
        board_->out("smartctl -A /dev/sda | awk '$1 ~ /^[0-9]+$/ {print $1, $3, $4, $5, (NF == 10 && $10 ~ /^[0-9]+$/) "
                    "? $10 : -1}'"));
    std::vector<SMART_ATTRIBUTE> expected;
    std::vector<long long> raws;
    unsigned id = 0, value = 0, worst = 0;
    long long raw = 0;
    std::string flags;
    while (table >> id >> flags >> value >> worst >> raw) {
        raws.push_back(raw);
        SMART_ATTRIBUTE a{};
        a.attrID = static_cast<uint8_t>(id);
        a.statusFlags = static_cast<uint16_t>(std::stoul(flags, nullptr, 16));
        a.attrValue = static_cast<uint8_t>(value);
        a.worstValue = static_cast<uint8_t>(worst);
        expected.push_back(a);
    }
    ASSERT_EQ(attrs.size(), expected.size());
    for (std::size_t i = 0; i < attrs.size(); ++i) {
        SCOPED_TRACE(static_cast<int>(expected[i].attrID));
        EXPECT_EQ(attrs[i].attrID, expected[i].attrID);
        EXPECT_EQ(attrs[i].statusFlags, expected[i].statusFlags);
        EXPECT_EQ(attrs[i].attrValue, expected[i].attrValue);
        EXPECT_EQ(attrs[i].worstValue, expected[i].worstValue);
        long long raw48 = 0;
        for (int b = 5; b >= 0; --b) raw48 = (raw48 << 8) | attrs[i].rawValue[b];
        if (raws[i] >= 0) {
            EXPECT_EQ(raw48, raws[i]);
        }
    }
    EXPECT_GE(raws.size(), 5u);
}

TEST_F(LinuxStorageOnKernel, bad_numbers_and_counts_get_their_codes_and_the_server_keeps_serving) {
    int32_t eeprom = area_of_size(256);
    ASSERT_GE(eeprom, 0);
    int32_t count = 0, size = 0;
    ASSERT_EQ(OmbixR_GetStorageCount(h_, &count), OMBIX_RC_OK);
    std::vector<uint8_t> buffer(300, 0x11);
    struct Case {
        int32_t storage, offset, length, code;
    };
    for (const Case &c : std::vector<Case>{{count, 0, 1, OMBIX_LINUX_RC_NO_DEVICE},
                                           {-1, 0, 1, OMBIX_LINUX_RC_NO_DEVICE},
                                           {eeprom, 0, 257, OMBIX_LINUX_RC_PAST_END},
                                           {eeprom, 256, 1, OMBIX_LINUX_RC_PAST_END},
                                           {eeprom, INT32_MAX, 2, OMBIX_LINUX_RC_PAST_END},
                                           {eeprom, -4, 1, OMBIX_LINUX_RC_INVALID_ARGUMENT},
                                           {eeprom, 0, -1, OMBIX_RC_NEGATIVE_LENGTH}}) {
        SCOPED_TRACE(testing::Message() << c.storage << " " << c.offset << " " << c.length);
        EXPECT_EQ(OmbixR_StorageRead(h_, c.storage, c.offset, buffer.data(), c.length), c.code);
        EXPECT_EQ(OmbixR_StorageWrite(h_, c.storage, c.offset, buffer.data(), c.length), c.code);
    }
    EXPECT_EQ(OmbixR_GetStorageSize(h_, count, &size), OMBIX_LINUX_RC_NO_DEVICE);
    int32_t disks = 0, attrs = 0;
    ASSERT_EQ(OmbixR_GetDiskDriveCount(h_, &disks), OMBIX_RC_OK);
    EXPECT_EQ(OmbixR_GetDiskDriveSMARTAttrCount(h_, disks, &attrs), OMBIX_LINUX_RC_NO_DEVICE);
    SMART_ATTRIBUTE one{};
    EXPECT_EQ(OmbixR_GetDiskDriveSMARTAttrs(h_, -1, &one, 1), OMBIX_LINUX_RC_NO_DEVICE);
    // Still serving, and nothing refused reached the chip.
    EXPECT_EQ(OmbixR_GetStorageSize(h_, eeprom, &size), OMBIX_RC_OK);
    EXPECT_EQ(size, 256);
    EXPECT_EQ(board_->out("i2cget -f -y $(stub) 0x50 0x00 b"), "0x00\n");
}

}  // namespace
