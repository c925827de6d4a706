// Reads that deliver no bytes, over HTTP against a real ombixd on the
// simulated board: the server answers "data": null with a count of 0 and the
// stub takes that as nothing read, with its buffer left as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "server_process.h"

namespace {

TEST(ZeroLengthReadsOverHttp, succeed_and_leave_the_buffer_alone) {
    ombix::test::bypass_proxies();
    ombix::test::ServerProcess server;
    ASSERT_TRUE(server.started());
    OMBIX_HTTP_OPTIONS options{server.url().c_str(), nullptr, 10000, nullptr};
    std::int32_t handle = 0;
    ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);

    constexpr std::uint8_t kFill = 0xEE;
    std::vector<std::uint8_t> buffer(16, kFill);
    std::uint8_t block_length = 16;  // nothing was ever written at command 0x33: an empty block
    EXPECT_EQ(OmbixR_SmbusReadBlock(handle, 0, 0x50, 0x33, buffer.data(), &block_length), 0)
        << OmbixTransportLastError();
    EXPECT_EQ(block_length, 0);
    std::uint32_t length = 0;
    EXPECT_EQ(OmbixR_I2cRead(handle, 0, 0x50, 0, 1, buffer.data(), &length), 0) << OmbixTransportLastError();
    EXPECT_EQ(length, 0u);
    const std::uint8_t address = 0x10;
    length = 0;
    EXPECT_EQ(OmbixR_I2cXfer(handle, 0, 0x50, &address, 1, buffer.data(), &length), 0) << OmbixTransportLastError();
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(OmbixR_StorageRead(handle, 0, 0, buffer.data(), 0), 0) << OmbixTransportLastError();
    EXPECT_EQ(OmbixR_SpiXfer(handle, 0, 0, 0x03000010, 4, 0, nullptr, buffer.data()), 0) << OmbixTransportLastError();
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(16, kFill));

    // A read that delivers bytes still fills the buffer.
    length = 4;
    ASSERT_EQ(OmbixR_I2cRead(handle, 0, 0x50, 0, 1, buffer.data(), &length), 0) << OmbixTransportLastError();
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 4),
              (std::vector<std::uint8_t>{'O', 'M', 'B', 'I'}));
    OmbixHttpClose(handle);
}

}  // namespace
