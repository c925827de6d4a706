// The I2C, SMBus and SPI calls of ombixd --board linux on a real kernel:
// i2c-stub chips (registers set and read from outside with i2c-tools), an
// lm75 the kernel drives, the rig's plain-I2C register device and its SPI
// loopback controller, all reached through the remote API over HTTP.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board_guest.h"
#include "ombixRemoteCall.h"
#include "ombix_linux_board.h"

namespace {

using ombix::kernel_test::BoardGuest;
using ombix::kernel_test::BoardGuestOptions;
using ombix::kernel_test::Guest;

// Chips at 0x1c and 0x1d nobody drives; lm75 drivers at 0x48 and 0x49, the
// second one forced by the board file. The stub offers SMBus block calls too.
const char *const kDevices = R"sh(
echo lm75 0x48 > /sys/bus/i2c/devices/i2c-$(stub)/new_device
echo lm75 0x49 > /sys/bus/i2c/devices/i2c-$(stub)/new_device
)sh";

const char *const kBoardFile = R"({"i2c": {"force": {"SMBus stub driver": [73]}}})";

constexpr uint8_t kFreeChip = 0x1c;
constexpr uint8_t kOtherChip = 0x1d;
constexpr uint8_t kMissingChip = 0x2a;
constexpr uint8_t kRegisterDevice = 0x50;  // the rig's plain-I2C adapter

class LinuxBusesOnKernel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Guest::skip_reason()) return;
        BoardGuestOptions options;
        options.modules = {"i2c-stub chip_addr=0x1c,0x1d,0x48,0x49 functionality=0xffffffff", "i2c-dev", "lm75",
                           "ombix_test_i2c", "ombix_test_spi"};
        options.devices = kDevices;
        options.board_file = kBoardFile;
        board_ = std::make_unique<BoardGuest>(options);
        if (board_->ready) {
            find_buses();
        } else if (board_->guest->up()) {
            failure_ = board_->run("cat /tmp/ombixd.log; dmesg | tail -n 20").out;
        }
    }
    static void TearDownTestSuite() { board_.reset(); }
    void SetUp() override {
        OMBIX_SKIP_WITHOUT_QEMU();
        ASSERT_TRUE(board_ && board_->ready) << (board_ ? board_->why() : "") << "\n" << failure_;
        ASSERT_GE(stub_, 0) << "no SMBus number reads the stub's marker";
        ASSERT_GE(plain_, 0) << "no I2C number reads the register device";
    }

    // The guest may have adapters of its own: the stub is the SMBus whose chip
    // holds a marker set from outside, the register device the I2C bus where
    // register n reads n.
    static void find_buses() {
        board_->out("i2cset -y $(stub) 0x1c 0xfe 0x5a");
        uint8_t count = 0;
        if (OmbixR_GetSmbusCount(board_->handle, &count) != OMBIX_RC_OK) return;
        for (uint8_t nr = 0; nr < count && stub_ < 0; ++nr) {
            uint8_t byte = 0;
            if (OmbixR_SmbusReadByte(board_->handle, nr, kFreeChip, 0xfe, &byte) == OMBIX_RC_OK && byte == 0x5a)
                stub_ = nr;
        }
        if (OmbixR_GetI2cBusCount(board_->handle, &count) != OMBIX_RC_OK) return;
        for (uint8_t nr = 0; nr < count && plain_ < 0; ++nr) {
            uint8_t data[2] = {};
            uint32_t length = 2;
            if (OmbixR_I2cRead(board_->handle, nr, kRegisterDevice, 0x21, 1, data, &length) == OMBIX_RC_OK &&
                data[0] == 0x21 && data[1] == 0x22)
                plain_ = nr;
        }
    }

    static std::unique_ptr<BoardGuest> board_;
    static int stub_, plain_;
    static std::string failure_;  // what the guest shows when ombixd did not come up
};

std::unique_ptr<BoardGuest> LinuxBusesOnKernel::board_;
int LinuxBusesOnKernel::stub_ = -1;
int LinuxBusesOnKernel::plain_ = -1;
std::string LinuxBusesOnKernel::failure_;

TEST_F(LinuxBusesOnKernel, smbus_byte_and_word_calls_reach_the_chip_registers) {
    int32_t h = board_->handle;
    uint8_t bus = static_cast<uint8_t>(stub_);
    ASSERT_EQ(OmbixR_SmbusWriteByte(h, bus, kFreeChip, 0x10, 0xa7), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("i2cget -y $(stub) 0x1c 0x10 b"), "0xa7\n");
    uint8_t byte = 0;
    ASSERT_EQ(OmbixR_SmbusReadByte(h, bus, kFreeChip, 0x10, &byte), OMBIX_RC_OK);
    EXPECT_EQ(byte, 0xa7);

    board_->out("i2cset -y $(stub) 0x1c 0x20 0xbeef w");
    uint16_t word = 0;
    ASSERT_EQ(OmbixR_SmbusReadWord(h, bus, kFreeChip, 0x20, &word), OMBIX_RC_OK);
    EXPECT_EQ(word, 0xbeef);
    ASSERT_EQ(OmbixR_SmbusWriteWord(h, bus, kFreeChip, 0x21, 0x1234), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("i2cget -y $(stub) 0x1c 0x21 w"), "0x1234\n");

    // Send byte sets the stub's register pointer, receive byte reads from it.
    board_->out("i2cset -y $(stub) 0x1d 0x33 0x66");
    ASSERT_EQ(OmbixR_SmbusSendByte(h, bus, kOtherChip, 0x33), OMBIX_RC_OK);
    ASSERT_EQ(OmbixR_SmbusReceiveByte(h, bus, kOtherChip, &byte), OMBIX_RC_OK);
    EXPECT_EQ(byte, 0x66);
    EXPECT_EQ(OmbixR_SmbusQuickCommand(h, bus, kOtherChip, 0), OMBIX_RC_OK);
    EXPECT_EQ(OmbixR_SmbusQuickCommand(h, bus, kOtherChip, 1), OMBIX_RC_OK);
}

TEST_F(LinuxBusesOnKernel, smbus_blocks_go_both_ways_up_to_32_bytes) {
    int32_t h = board_->handle;
    uint8_t bus = static_cast<uint8_t>(stub_);
    std::vector<uint8_t> block(32);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(0x80 + i);
    ASSERT_EQ(OmbixR_SmbusWriteBlock(h, bus, kFreeChip, 0x40, block.data(), 32), OMBIX_RC_OK);
    std::vector<uint8_t> back(64, 0);
    uint8_t length = 64;
    ASSERT_EQ(OmbixR_SmbusReadBlock(h, bus, kFreeChip, 0x40, back.data(), &length), OMBIX_RC_OK);
    ASSERT_EQ(length, 32);
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 32), block);

    // A buffer smaller than the block: refused, nothing written into it.
    std::vector<uint8_t> small(4, 0xee);
    length = 4;
    EXPECT_EQ(OmbixR_SmbusReadBlock(h, bus, kFreeChip, 0x40, small.data(), &length), OMBIX_LINUX_RC_OUT_OF_RANGE);
    EXPECT_EQ(small, std::vector<uint8_t>(4, 0xee));
    // More than the protocol's 32 bytes: refused before the bus is used.
    std::vector<uint8_t> long_block(255, 1);
    EXPECT_EQ(OmbixR_SmbusWriteBlock(h, bus, kFreeChip, 0x41, long_block.data(), 33), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixR_SmbusWriteBlock(h, bus, kFreeChip, 0x41, long_block.data(), 255), OMBIX_LINUX_RC_INVALID_ARGUMENT);
}

TEST_F(LinuxBusesOnKernel, missing_chips_driven_addresses_and_lacking_functions_have_codes_of_their_own) {
    int32_t h = board_->handle;
    uint8_t bus = static_cast<uint8_t>(stub_);
    uint8_t byte = 0;
    EXPECT_EQ(OmbixR_SmbusReadByte(h, bus, kMissingChip, 0, &byte), OMBIX_LINUX_RC_NO_ANSWER);
    EXPECT_EQ(OmbixR_SmbusQuickCommand(h, bus, kMissingChip, 0), OMBIX_LINUX_RC_NO_ANSWER);
    // lm75 drives 0x48: busy. The board file forces 0x49: read beside the driver.
    EXPECT_EQ(OmbixR_SmbusReadByte(h, bus, 0x48, 0, &byte), OMBIX_LINUX_RC_ADDRESS_BUSY);
    board_->out("i2cset -f -y $(stub) 0x49 0x02 0x4b");
    ASSERT_EQ(OmbixR_SmbusReadByte(h, bus, 0x49, 0x02, &byte), OMBIX_RC_OK);
    EXPECT_EQ(byte, 0x4b);
    // The plain-I2C adapter emulates byte calls but has no SMBus block read.
    uint8_t length = 32;
    std::vector<uint8_t> block(32);
    uint8_t count = 0;
    ASSERT_EQ(OmbixR_GetSmbusCount(h, &count), OMBIX_RC_OK);
    bool refused = false;
    for (uint8_t nr = 0; nr < count; ++nr) {
        refused = refused || OmbixR_SmbusReadBlock(h, nr, kRegisterDevice, 0, block.data(), &length) ==
                                 OMBIX_LINUX_RC_NOT_SUPPORTED;
    }
    EXPECT_TRUE(refused);
}

TEST_F(LinuxBusesOnKernel, plain_i2c_reads_writes_and_combined_transfers_reach_the_register_device) {
    int32_t h = board_->handle;
    uint8_t bus = static_cast<uint8_t>(plain_);
    std::vector<uint8_t> data(256, 0);
    uint32_t length = 256;
    ASSERT_EQ(OmbixR_I2cRead(h, bus, kRegisterDevice, 0x00, 1, data.data(), &length), OMBIX_RC_OK);
    ASSERT_EQ(length, 256u);
    for (unsigned i = 0; i < 256; ++i) ASSERT_EQ(data[i], i) << "register " << i;

    const uint8_t written[] = {0xde, 0xad, 0xbe, 0xef};
    ASSERT_EQ(OmbixR_I2cWrite(h, bus, kRegisterDevice, 0x80, written, 4), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("i2ctransfer -y $(bus_named 'ombix test I2C adapter') w1@0x50 0x80 r4"),
              "0xde 0xad 0xbe 0xef\n");

    // Write the register pointer and read on, with a repeated start between.
    const uint8_t pointer[] = {0x81};
    uint8_t read[3] = {};
    length = 3;
    ASSERT_EQ(OmbixR_I2cXfer(h, bus, kRegisterDevice, pointer, 1, read, &length), OMBIX_RC_OK);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(std::vector<uint8_t>(read, read + 3), (std::vector<uint8_t>{0xad, 0xbe, 0xef}));
    // Without a memory address the read goes on where the pointer stands.
    length = 1;
    ASSERT_EQ(OmbixR_I2cRead(h, bus, kRegisterDevice, 0, 0, read, &length), OMBIX_RC_OK);
    EXPECT_EQ(read[0], 0x84);

    EXPECT_EQ(OmbixR_I2cProbe(h, bus, kRegisterDevice, 0, 0), OMBIX_RC_OK);
    EXPECT_EQ(OmbixR_I2cProbe(h, bus, kRegisterDevice, 0x10, 1), OMBIX_RC_OK);
    length = 1;
    ASSERT_EQ(OmbixR_I2cRead(h, bus, kRegisterDevice, 0, 0, read, &length), OMBIX_RC_OK);
    EXPECT_EQ(read[0], 0x10);  // the probe set the pointer
    EXPECT_EQ(OmbixR_I2cProbe(h, bus, 0x51, 0, 0), OMBIX_LINUX_RC_NO_ANSWER);
    EXPECT_EQ(OmbixR_I2cProbe(h, bus, 0x22, 0, 0), OMBIX_LINUX_RC_NO_ANSWER);
}

TEST_F(LinuxBusesOnKernel, spi_transfers_come_back_from_the_loopback_controller) {
    int32_t h = board_->handle;
    uint8_t count = 0;
    ASSERT_EQ(OmbixR_GetSpiBusCount(h, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 1);
    const uint8_t sent[] = {'o', 'm', 'b', 'i', 'x', 0x00, 0xff};
    uint8_t back[7] = {};
    ASSERT_EQ(OmbixR_SpiXfer(h, 0, 0, 0x03001000, 4, 7, sent, back), OMBIX_RC_OK);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 7), std::vector<uint8_t>(sent, sent + 7));
    EXPECT_EQ(OmbixR_SpiXfer(h, 0, 0, 0, 0, 7, sent, nullptr), OMBIX_RC_OK);
    // Nothing to send: the loopback reads zeros.
    uint8_t zeros[3] = {9, 9, 9};
    ASSERT_EQ(OmbixR_SpiXfer(h, 0, 0, 0x9f, 1, 3, nullptr, zeros), OMBIX_RC_OK);
    EXPECT_EQ(std::vector<uint8_t>(zeros, zeros + 3), std::vector<uint8_t>(3, 0));
}

TEST_F(LinuxBusesOnKernel, bad_numbers_answer_their_codes_and_the_server_keeps_serving) {
    int32_t h = board_->handle;
    uint8_t byte = 0;
    uint8_t data[4] = {};
    uint32_t length = 4;
    uint8_t count = 0;
    ASSERT_EQ(OmbixR_GetSmbusCount(h, &count), OMBIX_RC_OK);
    EXPECT_EQ(OmbixR_SmbusReadByte(h, count, kFreeChip, 0, &byte), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixR_SmbusReadByte(h, 255, kFreeChip, 0, &byte), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixR_SmbusReadByte(h, static_cast<uint8_t>(stub_), 0x80, 0, &byte), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixR_SmbusQuickCommand(h, static_cast<uint8_t>(stub_), kFreeChip, 2), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    ASSERT_EQ(OmbixR_GetI2cBusCount(h, &count), OMBIX_RC_OK);
    EXPECT_EQ(OmbixR_I2cRead(h, count, kRegisterDevice, 0, 1, data, &length), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixR_I2cRead(h, static_cast<uint8_t>(plain_), 0xff, 0, 1, data, &length),
              OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixR_I2cProbe(h, static_cast<uint8_t>(plain_), 0x80, 0, 0), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixR_SpiXfer(h, 1, 0, 0, 0, 4, data, data), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixR_SpiXfer(h, 0, 1, 0, 0, 4, data, data), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixR_SpiXfer(h, 0, 0, 0, 5, 4, data, data), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    // Longer than one I2C message may be: refused, and the next call is served.
    std::vector<uint8_t> large(8193);
    length = 8193;
    EXPECT_EQ(OmbixR_I2cRead(h, static_cast<uint8_t>(plain_), kRegisterDevice, 0, 1, large.data(), &length),
              OMBIX_LINUX_RC_INVALID_ARGUMENT);
    ASSERT_EQ(OmbixR_SmbusReadByte(h, static_cast<uint8_t>(stub_), kFreeChip, 0xfe, &byte), OMBIX_RC_OK);
    EXPECT_EQ(byte, 0x5a);
}

}  // namespace
