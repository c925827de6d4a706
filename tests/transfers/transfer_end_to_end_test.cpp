// The transfer calls from the stubs through the loopback transport and the
// executor to the simulated devices: what is written comes back.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "ombixRemoteCall.h"
#include "sim_control.h"

namespace sim = ombix::sim;

namespace {

class TransferEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    void TearDown() override { sim::reset(); }
};

std::vector<std::uint8_t> random_bytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto &byte : bytes) byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

TEST_F(TransferEndToEnd, the_largest_storage_write_reads_back_byte_for_byte) {
    std::vector<std::uint8_t> written = random_bytes(OMBIX_MAX_TRANSFER_BYTES, 1);
    ASSERT_EQ(OmbixR_StorageWrite(0, 0, 0, written.data(), OMBIX_MAX_TRANSFER_BYTES), 0);
    std::vector<std::uint8_t> read(OMBIX_MAX_TRANSFER_BYTES, 0);
    ASSERT_EQ(OmbixR_StorageRead(0, 0, 0, read.data(), OMBIX_MAX_TRANSFER_BYTES), 0);
    EXPECT_TRUE(read == written);
}

TEST_F(TransferEndToEnd, storage_keeps_its_content_between_calls_and_checks_its_bounds) {
    std::vector<std::uint8_t> written = random_bytes(100, 2);
    ASSERT_EQ(OmbixR_StorageWrite(0, 1, 4000, written.data(), 100), sim::kInvalidValue);  // past the 4096 bytes
    ASSERT_EQ(OmbixR_StorageWrite(0, 1, 3996, written.data(), 100), 0);
    std::vector<std::uint8_t> read(50);
    ASSERT_EQ(OmbixR_StorageRead(0, 1, 4046, read.data(), 50), 0);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), written.begin() + 50));
    EXPECT_EQ(OmbixR_StorageRead(0, 2, 0, read.data(), 50), sim::kNoDevice);
    EXPECT_EQ(OmbixR_StorageRead(0, 0, 0, read.data(), OMBIX_MAX_TRANSFER_BYTES + 1), OMBIX_RC_OVER_LIMIT);
    EXPECT_EQ(OmbixR_StorageRead(0, 0, 0, read.data(), -1), OMBIX_RC_NEGATIVE_LENGTH);
}

// Reads that deliver no bytes succeed end to end: the executor answers
// "data": null with a count of 0 and the stub takes that as nothing read.
TEST_F(TransferEndToEnd, reads_of_no_bytes_succeed_and_leave_the_buffer_alone) {
    constexpr std::uint8_t kFill = 0xEE;
    std::vector<std::uint8_t> buffer(16, kFill);
    std::uint8_t block_length = 16;  // nothing was ever written at command 0x33: an empty block
    EXPECT_EQ(OmbixR_SmbusReadBlock(0, 0, 0x50, 0x33, buffer.data(), &block_length), 0);
    EXPECT_EQ(block_length, 0);
    std::uint32_t length = 0;
    EXPECT_EQ(OmbixR_I2cRead(0, 0, 0x50, 0, 1, buffer.data(), &length), 0);
    EXPECT_EQ(length, 0u);
    const std::uint8_t address = 0x10;
    length = 0;
    EXPECT_EQ(OmbixR_I2cXfer(0, 0, 0x50, &address, 1, buffer.data(), &length), 0);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(OmbixR_StorageRead(0, 0, 0, buffer.data(), 0), 0);
    EXPECT_EQ(OmbixR_SpiXfer(0, 0, 0, 0x03000010, 4, 0, nullptr, buffer.data()), 0);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(16, kFill));
    EXPECT_EQ(sim::calls().size(), 5u);  // each reached the board once
}

TEST_F(TransferEndToEnd, an_i2c_eeprom_write_reads_back_through_read_and_combined_transfer) {
    const std::uint8_t text[] = "persisted";
    ASSERT_EQ(OmbixR_I2cProbe(0, 0, 0x50, 0, 0), 0);
    ASSERT_EQ(OmbixR_I2cProbe(0, 0, 0x51, 0, 0), sim::kNoDevice);
    ASSERT_EQ(OmbixR_I2cWrite(0, 0, 0x50, 0x80, text, sizeof text), 0);

    std::uint8_t read[32] = {};
    std::uint32_t length = sizeof text;
    const std::uint8_t address = 0x80;
    ASSERT_EQ(OmbixR_I2cXfer(0, 0, 0x50, &address, 1, read, &length), 0);
    EXPECT_EQ(length, sizeof text);
    EXPECT_STREQ(reinterpret_cast<const char *>(read), "persisted");

    std::uint8_t again[4] = {};
    length = 4;
    ASSERT_EQ(OmbixR_I2cRead(0, 0, 0x50, 0x83, 1, again, &length), 0);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(again, again + 4), (std::vector<std::uint8_t>{'s', 'i', 's', 't'}));

    // Without a read buffer the count still comes back.
    length = 0;
    const std::uint8_t point[] = {0x80, 'P'};
    ASSERT_EQ(OmbixR_I2cXfer(0, 0, 0x50, point, 2, nullptr, &length), 0);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(sim::board().devices.i2c[0].memory[0x80], 'P');
}

TEST_F(TransferEndToEnd, spi_transfers_with_and_without_a_read_buffer) {
    std::vector<std::uint8_t> written = random_bytes(300, 3);
    const std::uint32_t write_at_16 = 0x02000010, read_at_16 = 0x03000010;
    ASSERT_EQ(OmbixR_SpiXfer(0, 0, 0, write_at_16, 4, 300, written.data(), nullptr), 0);

    std::vector<std::uint8_t> clocked_in(300);
    ASSERT_EQ(OmbixR_SpiXfer(0, 0, 0, write_at_16, 4, 300, written.data(), clocked_in.data()), 0);
    EXPECT_EQ(clocked_in, std::vector<std::uint8_t>(300, 0xFF));

    std::vector<std::uint8_t> read(300);
    ASSERT_EQ(OmbixR_SpiXfer(0, 0, 0, read_at_16, 4, 300, nullptr, read.data()), 0);
    EXPECT_EQ(read, written);
    EXPECT_EQ(OmbixR_SpiXfer(0, 0, 1, read_at_16, 4, 300, nullptr, read.data()), sim::kNoDevice);
}

TEST_F(TransferEndToEnd, every_smbus_call_reaches_the_device) {
    EXPECT_EQ(OmbixR_SmbusQuickCommand(0, 0, 0x50, 1), 0);
    EXPECT_EQ(OmbixR_SmbusQuickCommand(0, 0, 0x51, 1), sim::kNoDevice);

    ASSERT_EQ(OmbixR_SmbusWriteByte(0, 0, 0x50, 0x40, 0xA5), 0);
    std::uint8_t byte = 0;
    ASSERT_EQ(OmbixR_SmbusReadByte(0, 0, 0x50, 0x40, &byte), 0);
    EXPECT_EQ(byte, 0xA5);

    ASSERT_EQ(OmbixR_SmbusSendByte(0, 0, 0x50, 0x40), 0);
    byte = 0;
    ASSERT_EQ(OmbixR_SmbusReceiveByte(0, 0, 0x50, &byte), 0);
    EXPECT_EQ(byte, 0xA5);

    ASSERT_EQ(OmbixR_SmbusWriteWord(0, 0, 0x50, 0x60, 0xBEEF), 0);
    std::uint16_t word = 0;
    ASSERT_EQ(OmbixR_SmbusReadWord(0, 0, 0x50, 0x60, &word), 0);
    EXPECT_EQ(word, 0xBEEF);

    std::vector<std::uint8_t> block = random_bytes(200, 4);
    ASSERT_EQ(OmbixR_SmbusWriteBlock(0, 0, 0x50, 0x10, block.data(), 200), 0);
    std::vector<std::uint8_t> read(255);
    std::uint8_t length = 255;
    ASSERT_EQ(OmbixR_SmbusReadBlock(0, 0, 0x50, 0x10, read.data(), &length), 0);
    EXPECT_EQ(length, 200);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), read.begin()));

    length = 100;  // too small for the block
    EXPECT_EQ(OmbixR_SmbusReadBlock(0, 0, 0x50, 0x10, read.data(), &length), sim::kInvalidValue);
    EXPECT_EQ(length, 100);
}

}  // namespace
