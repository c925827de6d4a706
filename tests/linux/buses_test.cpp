// Numbering of the I2C adapters and SPI devices on a fake sysfs, and the
// board file's bus members; the transfers themselves run on a real kernel
// (tests/kernel/linux_buses_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_root.h"
#include "i2c_bus.h"
#include "ombix_linux_board.h"

namespace {

using ombix::linux_test::configure;
using ombix::linux_test::FakeRoot;

// An adapter numbered i2c-`number` at `device` below /sys/devices, listed on the I2C bus as the kernel lists it.
void adapter(FakeRoot &root, int number, const std::string &device, const std::string &name) {
    std::string folder = "sys/devices/" + device + "/i2c-" + std::to_string(number);
    root.file(folder + "/name", name + "\n");
    root.link("sys/bus/i2c/devices/i2c-" + std::to_string(number), folder);
    root.file("dev/i2c-" + std::to_string(number), "");  // no character device: its functions cannot be asked
}

// A spidev on controller `bus` at `controller` below /sys/devices, chip select `select`.
void spidev(FakeRoot &root, const std::string &controller, int bus, int select) {
    std::string b = std::to_string(bus), name = "spidev" + b + "." + std::to_string(select);
    std::string folder = "sys/devices/" + controller + "/spi_master/spi" + b + "/spi" + b + "." +
                         std::to_string(select) + "/spidev/" + name;
    root.file(folder + "/dev", "153:0\n");
    root.link("sys/class/spidev/" + name, folder);
}

TEST(LinuxBuses, i2c_adapters_go_by_their_place_under_sys_devices_not_their_number) {
    FakeRoot root;
    adapter(root, 0, "platform/zz-late", "late adapter");
    adapter(root, 7, "pci0000:00/0000:00:1f.3", "SMBus I801 adapter");
    adapter(root, 3, "pci0000:00/0000:00:02.0", "i915 gmbus dpb");
    adapter(root, 12, "pci0000:00/0000:00:1f.3/i2c-7", "behind a mux");  // below adapter 7
    root.file("sys/devices/pci0000:00/0000:00:1f.3/i2c-7/7-0050/name", "eeprom\n");
    root.link("sys/bus/i2c/devices/7-0050", "sys/devices/pci0000:00/0000:00:1f.3/i2c-7/7-0050");
    std::vector<std::string> names;
    for (const auto &place : ombix::linux_board::i2c_adapters_in_order(root.path())) {
        names.push_back(place.name);
        EXPECT_EQ(place.device.rfind(root.path() + "/dev/i2c-", 0), 0u) << place.device;
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"i915 gmbus dpb", "SMBus I801 adapter", "behind a mux", "late adapter"}));

    // Without character devices that answer I2C_FUNCS the board offers no bus.
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    uint8_t count = 9;
    ASSERT_EQ(OmbixGetI2cBusCount(0, &count), OMBIX_RC_OK);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(OmbixGetSmbusCount(0, &count), OMBIX_RC_OK);
    EXPECT_EQ(count, 0);
    uint8_t byte = 0;
    uint32_t length = 1;
    EXPECT_EQ(OmbixI2cRead(0, 0, 0x50, 0, 1, &byte, &length), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixSmbusReadByte(0, 0, 0x50, 0, &byte), OMBIX_LINUX_RC_NO_DEVICE);
}

TEST(LinuxBuses, spi_buses_are_controllers_in_device_order_and_device_ids_their_chip_selects) {
    FakeRoot root;
    spidev(root, "platform/b-controller", 1, 0);
    spidev(root, "platform/b-controller", 1, 1);
    spidev(root, "platform/a-controller", 32766, 0);  // a number handed out at load
    root.file("dev/spidev1.1", "");                   // a file, not a device: the transfer's ioctl fails
    uint8_t data[2] = {1, 2};
    struct Case {
        const char *board_file;
        uint8_t spi_nr;
        uint16_t device_id;
        int32_t code;
    };
    // The ioctl on a plain file fails (ENOTTY natively, ENOSYS under a user-mode emulator): any OS error.
    const int32_t kNotADevice = OMBIX_LINUX_RC_OS_ERROR_BASE;
    for (const Case &c : std::vector<Case>{
             {"", 1, 1, kNotADevice},
             {"", 1, 0, OMBIX_LINUX_RC_NO_DEVICE},  // spidev1.0 has no device file
             {"", 0, 1, OMBIX_LINUX_RC_NO_DEVICE},  // no chip select 1 on the first controller
             {"", 2, 0, OMBIX_LINUX_RC_NO_DEVICE},
             {R"({"spi": {"devices": [{"spiNr": 0, "deviceId": 9, "device": "spidev1.1"}]}})", 0, 9, kNotADevice},
             {R"({"spi": {"devices": [{"spiNr": 4, "deviceId": 2, "device": "spidev1.1", "mode": 3}]}})", 4, 2,
              kNotADevice},
         }) {
        SCOPED_TRACE(std::string(c.board_file) + " " + std::to_string(c.spi_nr) + "." + std::to_string(c.device_id));
        ASSERT_EQ(configure(root, c.board_file), OMBIX_RC_OK);
        int32_t code = OmbixSpiXfer(0, c.spi_nr, c.device_id, 0, 0, 2, data, data);
        if (c.code == kNotADevice) {
            EXPECT_TRUE(OMBIX_LINUX_RC_IS_OS_ERROR(code)) << code;
        } else {
            EXPECT_EQ(code, c.code);
        }
    }
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    uint8_t count = 0;
    ASSERT_EQ(OmbixGetSpiBusCount(0, &count), OMBIX_RC_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(OmbixSpiXfer(0, 1, 1, 0, 5, 2, data, data), OMBIX_LINUX_RC_INVALID_ARGUMENT);  // a command of 5 bytes
    EXPECT_EQ(OmbixSpiXfer(0, 1, 1, 0, 0, 0, data, data), OMBIX_RC_OK);                      // nothing to send
}

TEST(LinuxBuses, board_files_with_bad_bus_members_are_refused) {
    FakeRoot root;
    for (const char *file : {
             R"({"i2c": {"force": {"SMBus stub driver": [128]}}})",
             R"({"i2c": {"force": {"SMBus stub driver": 72}}})",
             R"({"i2c": {"forced": {}}})",
             R"({"spi": {"mode": 256}})",
             R"({"spi": {"speedHz": 0}})",
             R"({"spi": {"bitsPerWord": 33}})",
             R"({"spi": {"devices": [{"spiNr": 0}]}})",
             R"({"spi": {"devices": [{"spiNr": 256, "deviceId": 0}]}})",
             R"({"spi": {"devices": [{"spiNr": 0, "deviceId": 0, "device": "../i2c-0"}]}})",
             R"({"spi": {"devices": [{"spiNr": 0, "deviceId": 0, "speed": 1000}]}})",
         }) {
        SCOPED_TRACE(file);
        EXPECT_EQ(configure(root, file), OMBIX_LINUX_RC_BAD_BOARD_FILE);
    }
    EXPECT_EQ(configure(root, R"({"i2c": {"force": {"SMBus stub driver": [0, 72, 127]}},
                                  "spi": {"mode": 1, "speedHz": 4000000, "bitsPerWord": 8,
                                          "devices": [{"spiNr": 0, "deviceId": 0, "bitsPerWord": 16}]}})"),
              OMBIX_RC_OK);
}

}  // namespace
