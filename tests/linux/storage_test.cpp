// User storage on a fake sysfs: nvmem devices in stable order, file-backed
// areas from the board file, and transfers that never run past an area's end.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <numeric>
#include <string>
#include <vector>

#include "fake_root.h"
#include "ombix_linux_board.h"

namespace {

using ombix::linux_test::configure;
using ombix::linux_test::FakeRoot;

// An nvmem device `name` of `size` bytes at `device` (below /sys/devices), seen through /sys/bus/nvmem/devices.
void nvmem(FakeRoot &root, const std::string &name, const std::string &device, std::size_t size) {
    std::string folder = "sys/devices/" + device + "/" + name;
    root.bytes(folder + "/nvmem", std::vector<unsigned char>(size, 0xFF));
    root.link("sys/bus/nvmem/devices/" + name, folder);
}

std::vector<int32_t> sizes() {
    int32_t count = 0;
    EXPECT_EQ(OmbixGetStorageCount(0, &count), OMBIX_RC_OK);
    std::vector<int32_t> result;
    for (int32_t i = 0; i < count; ++i) {
        int32_t size = -1;
        EXPECT_EQ(OmbixGetStorageSize(0, i, &size), OMBIX_RC_OK);
        result.push_back(size);
    }
    return result;
}

TEST(LinuxStorage, nvmem_devices_go_by_their_place_not_their_names_and_files_follow_in_board_file_order) {
    FakeRoot root;
    // The EEPROM on the second adapter got the lower bus number at this boot.
    root.i2c_adapter(0, "SMBus I801 adapter at f000");
    root.i2c_adapter(1, "Aux adapter");
    nvmem(root, "1-00500", "i2c-0/0-0050", 128);
    nvmem(root, "0-00500", "i2c-1/1-0050", 256);
    nvmem(root, "cmos_nvram0", "pnp0/00:03/rtc/rtc0", 242);
    std::string board = R"({"storage": {"files": [{"path": ")" + root.path() + R"(/b.bin", "size": 10},
                                                {"path": ")" +
                        root.path() + R"(/a.bin", "size": 20}]}})";
    ASSERT_EQ(configure(root, board), OMBIX_RC_OK);
    // i2c:Aux... sorts before i2c:SMBus..., both before pnp0.
    EXPECT_EQ(sizes(), (std::vector<int32_t>{256, 128, 242, 10, 20}));

    ASSERT_EQ(configure(root, R"({"storage": {"nvmem": false}})"), OMBIX_RC_OK);
    EXPECT_EQ(sizes(), std::vector<int32_t>{});
}

TEST(LinuxStorage, an_nvmem_area_reads_and_writes_in_place) {
    FakeRoot root;
    nvmem(root, "eeprom0", "platform/eeprom", 64);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    std::vector<uint8_t> data(8);
    std::iota(data.begin(), data.end(), 1);
    ASSERT_EQ(OmbixStorageWrite(0, 0, 56, data.data(), 8), OMBIX_RC_OK);
    std::string contents = root.read("sys/devices/platform/eeprom/eeprom0/nvmem");
    ASSERT_EQ(contents.size(), 64u);
    EXPECT_EQ(contents.substr(56), std::string("\x01\x02\x03\x04\x05\x06\x07\x08"));
    EXPECT_EQ(static_cast<unsigned char>(contents[55]), 0xFF);
    std::vector<uint8_t> back(10, 0);
    ASSERT_EQ(OmbixStorageRead(0, 0, 54, back.data(), 10), OMBIX_RC_OK);
    EXPECT_EQ(back, (std::vector<uint8_t>{0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(LinuxStorage, transfers_outside_an_area_are_refused_whole) {
    FakeRoot root;
    nvmem(root, "eeprom0", "platform/eeprom", 64);
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    std::vector<uint8_t> data(100, 0xAB), scratch(100);
    struct Case {
        int32_t storage, offset, length;
        int32_t code;
    };
    for (const Case &c : std::vector<Case>{{0, 0, 64, OMBIX_RC_OK},
                                           {0, 64, 0, OMBIX_RC_OK},
                                           {0, 60, 5, OMBIX_LINUX_RC_PAST_END},
                                           {0, 65, 0, OMBIX_LINUX_RC_PAST_END},
                                           {0, 0, 65, OMBIX_LINUX_RC_PAST_END},
                                           {0, INT32_MAX, INT32_MAX, OMBIX_LINUX_RC_PAST_END},
                                           {0, -1, 1, OMBIX_LINUX_RC_INVALID_ARGUMENT},
                                           {0, 0, -1, OMBIX_LINUX_RC_INVALID_ARGUMENT},
                                           {1, 0, 1, OMBIX_LINUX_RC_NO_DEVICE},
                                           {-1, 0, 1, OMBIX_LINUX_RC_NO_DEVICE}}) {
        SCOPED_TRACE(testing::Message() << c.storage << " " << c.offset << " " << c.length);
        EXPECT_EQ(OmbixStorageRead(0, c.storage, c.offset, scratch.data(), c.length), c.code);
        EXPECT_EQ(OmbixStorageWrite(0, c.storage, c.offset, data.data(), c.length), c.code);
    }
    // What was refused left the area as the last accepted write made it.
    EXPECT_EQ(root.read("sys/devices/platform/eeprom/eeprom0/nvmem"), std::string(64, '\xAB'));
    EXPECT_EQ(OmbixStorageRead(0, 0, 0, nullptr, 1), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixStorageWrite(0, 0, 0, nullptr, 0), OMBIX_RC_OK);
    int32_t size = 0;
    EXPECT_EQ(OmbixGetStorageSize(0, 1, &size), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixGetStorageSize(0, 0, nullptr), OMBIX_LINUX_RC_INVALID_ARGUMENT);
}

TEST(LinuxStorage, a_file_area_reads_zeros_until_written_and_keeps_what_was_written) {
    FakeRoot root;
    std::string path = root.path() + "/areas/user.bin";
    mkdir((root.path() + "/areas").c_str(), 0700);
    ASSERT_EQ(configure(root, R"({"storage": {"files": [{"path": ")" + path + R"(", "size": 4096}]}})"), OMBIX_RC_OK);
    std::vector<uint8_t> back(16, 0x55);
    ASSERT_EQ(OmbixStorageRead(0, 0, 4080, back.data(), 16), OMBIX_RC_OK);
    EXPECT_EQ(back, std::vector<uint8_t>(16, 0));

    const uint8_t text[] = {'k', 'e', 'p', 't'};
    ASSERT_EQ(OmbixStorageWrite(0, 0, 100, text, 4), OMBIX_RC_OK);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(root.read("areas/user.bin"), std::string(100, '\0') + "kept");
    // Past what the file holds, inside the area: the written bytes, then zeros.
    ASSERT_EQ(OmbixStorageRead(0, 0, 98, back.data(), 8), OMBIX_RC_OK);
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 8),
              (std::vector<uint8_t>{0, 0, 'k', 'e', 'p', 't', 0, 0}));
    EXPECT_EQ(OmbixStorageWrite(0, 0, 4095, text, 2), OMBIX_LINUX_RC_PAST_END);
}

TEST(LinuxStorage, an_area_that_cannot_be_written_answers_the_system_error) {
    FakeRoot root;
    ASSERT_EQ(configure(root, R"({"storage": {"files": [{"path": ")" + root.path() +
                                  R"(/missing/folder/a.bin", "size": 8}]}})"),
              OMBIX_RC_OK);
    const uint8_t byte = 1;
    EXPECT_EQ(OmbixStorageWrite(0, 0, 0, &byte, 1), OMBIX_LINUX_RC_OS_ERROR(ENOENT));
    // A device whose file ends before the size it was found with lost its data: never zeros.
    FakeRoot shrinking;
    nvmem(shrinking, "eeprom0", "platform/eeprom", 64);
    ASSERT_EQ(configure(shrinking), OMBIX_RC_OK);
    shrinking.bytes("sys/devices/platform/eeprom/eeprom0/nvmem", std::vector<unsigned char>(16, 1));
    uint8_t back[32] = {};
    EXPECT_EQ(OmbixStorageRead(0, 0, 0, back, 32), OMBIX_LINUX_RC_OS_ERROR(EIO));
}

TEST(LinuxStorage, the_board_file_refuses_storage_files_it_cannot_serve) {
    FakeRoot root;
    for (const char *bad :
         {R"({"storage": {"files": [{"path": "/a"}]}})", R"({"storage": {"files": [{"path": "relative", "size": 1}]}})",
          R"({"storage": {"files": [{"path": "/a", "size": 0}]}})",
          R"({"storage": {"files": [{"path": "/a", "size": 2147483648}]}})",
          R"({"storage": {"files": [{"path": "/a", "size": 1, "mode": 1}]}})", R"({"storage": {"nvmem": 1}})",
          R"({"storage": []})", R"({"disks": {"virtual": "yes"}})", R"({"disks": {"loop": true}})"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(configure(root, bad), OMBIX_LINUX_RC_BAD_BOARD_FILE);
    }
}

}  // namespace
