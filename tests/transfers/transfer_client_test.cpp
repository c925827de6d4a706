// The transfer stubs against a scripted transport: the parameters they send,
// and what the caller's buffer and count hold after each kind of answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "json_text.h"
#include "ombixRemoteCall.h"
#include "scripted_stub_test.h"
#include "scripted_transport.h"

using namespace ombix::test;

namespace {

using TransferStub = ScriptedStubTest;

constexpr std::uint8_t kFill = 0xEE;
constexpr std::uint32_t kUntouched = 77;

// One read stub seen through the same shape: a buffer of `capacity` bytes (or
// none) and a count that holds the capacity on entry. `count_name` is the
// name of its count output, empty for the stubs without one.
struct ReadStub {
    const char *label;
    const char *bytes_name;
    const char *count_name;
    std::function<std::int32_t(std::uint8_t *buffer, std::uint32_t *count)> call;
};

const ReadStub kReadStubs[] = {
    {"I2cRead", "data", "dataLength",
     [](std::uint8_t *buffer, std::uint32_t *count) { return OmbixR_I2cRead(1, 0, 0x50, 0, 1, buffer, count); }},
    {"I2cXfer", "readData", "readLength",
     [](std::uint8_t *buffer, std::uint32_t *count) { return OmbixR_I2cXfer(1, 0, 0x50, nullptr, 0, buffer, count); }},
    {"SmbusReadBlock", "data", "dataLength",
     [](std::uint8_t *buffer, std::uint32_t *count) {
         std::uint8_t count8 = static_cast<std::uint8_t>(*count);
         std::int32_t code = OmbixR_SmbusReadBlock(1, 0, 0x50, 3, buffer, &count8);
         *count = count8;
         return code;
     }},
    {"StorageRead", "data", "",
     [](std::uint8_t *buffer, std::uint32_t *count) {
         return OmbixR_StorageRead(1, 0, 0, buffer, static_cast<std::int32_t>(*count));
     }},
    {"SpiXfer", "readData", "",
     [](std::uint8_t *buffer, std::uint32_t *count) {
         return OmbixR_SpiXfer(1, 0, 0, 0x03000000, 4, *count, nullptr, buffer);
     }},
};

std::string named(const std::string &name, const std::string &value) {
    return R"({"i": ")" + name + R"(", "v": )" + value + "}";
}

// The output list a server would send: the byte element, then the count element (if the stub has one).
std::string outs(const ReadStub &stub, const std::string &bytes_element, const std::string &count_element) {
    std::string list = "[" + bytes_element;
    if (*stub.count_name != '\0') list += "," + count_element;
    return list + "]";
}

struct Situation {
    const char *what;
    std::int32_t code;  // what the transport answers
    std::function<std::string(const ReadStub &)> answer;
    std::uint32_t capacity;
    bool null_buffer;
    std::int32_t returned;
    std::vector<std::uint8_t> buffer_after;  // the first bytes of the buffer afterwards
    std::uint32_t count_after;               // for the stubs with a count output
    bool only_the_count_fails = false;       // stubs without a count output succeed
};

// Bytes "ABCDEFGH" are QUJDREVGR0g=; "ABC" is QUJD.
const Situation kSituations[] = {
    {"success stores the decoded bytes and the server's count",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJD")"), named(s.count_name, "3")); },
     8,
     false,
     0,
     {'A', 'B', 'C', kFill},
     3},
    {"16 is returned as such, outputs stored",
     16,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJD")"), named(s.count_name, "3")); },
     8,
     false,
     16,
     {'A', 'B', 'C', kFill},
     3},
    {"a server count larger than the bytes sent is stored as it came",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJDREVGR0g=")"), named(s.count_name, "10")); },
     16,
     false,
     0,
     {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', kFill},
     10},
    {"a text that decodes to nothing leaves 0 in the first byte",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("")"), named(s.count_name, "0")); },
     8,
     false,
     0,
     {0, kFill},
     0},
    {"another code returns at once and touches nothing",
     5,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJD")"), named(s.count_name, "3")); },
     8,
     false,
     5,
     {kFill, kFill},
     8},
    {"an output list of the wrong length touches nothing",
     0,
     [](const ReadStub &s) {
         return "[" + named(s.bytes_name, R"("QUJD")") + "," + named("x", "1") + "," + named("y", "2") + "]";
     },
     8,
     false,
     65543,
     {kFill, kFill},
     8},
    {"null data with a count of 3 is a mismatch, the buffer untouched",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, "null"), named(s.count_name, "3")); },
     8,
     false,
     65543,
     {kFill, kFill},
     3},
    {"misnamed data is a mismatch, the buffer untouched",
     0,
     [](const ReadStub &s) { return outs(s, named("bytes", R"("QUJD")"), named(s.count_name, "3")); },
     8,
     false,
     65543,
     {kFill, kFill},
     3},
    {"a text longer than the capacity keeps the groups before the limit",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJDREVG")"), named(s.count_name, "6")); },
     4,
     false,
     65543,
     {'A', 'B', 'C', kFill},
     6},
    {"a character outside the alphabet stops decoding",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJD-EVG")"), named(s.count_name, "6")); },
     8,
     false,
     65543,
     {'A', 'B', 'C', kFill},
     6},
    {"a count output that is not an integer stores 0",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJD")"), named(s.count_name, R"("3")")); },
     8,
     false,
     65543,
     {'A', 'B', 'C', kFill},
     0,
     true},
    {"a null buffer is not written and its element not examined",
     0,
     [](const ReadStub &s) { return outs(s, "7", named(s.count_name, "3")); },
     8,
     true,
     0,
     {},
     3},
    {"a null buffer with a bad count output",
     0,
     [](const ReadStub &s) { return outs(s, named(s.bytes_name, R"("QUJD")"), named("length", "3")); },
     8,
     true,
     65543,
     {},
     0,
     true},
};

TEST_F(TransferStub, what_the_caller_holds_after_each_answer) {
    for (const ReadStub &stub : kReadStubs) {
        bool has_count = *stub.count_name != '\0';
        for (const Situation &s : kSituations) {
            reset_transport();
            script_answer(s.code, s.answer(stub));
            std::vector<std::uint8_t> buffer(16, kFill);
            std::uint32_t count = s.capacity;
            std::int32_t returned = stub.call(s.null_buffer ? nullptr : buffer.data(), &count);
            std::string where = std::string(stub.label) + ": " + s.what;
            EXPECT_EQ(returned, !has_count && s.only_the_count_fails ? 0 : s.returned) << where;
            EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(),
                                                buffer.begin() + static_cast<std::ptrdiff_t>(s.buffer_after.size())),
                      s.buffer_after)
                << where;
            if (s.null_buffer) {
                EXPECT_EQ(buffer, std::vector<std::uint8_t>(16, kFill)) << where;
            }
            if (has_count) {
                EXPECT_EQ(count, s.count_after) << where;
            }
            EXPECT_TRUE(last_answer_handled_correctly()) << where;
        }
    }
}

// A read of no bytes: the server sends "data": null with a count of 0. The
// stubs with a count output go by the count they receive, the others by the
// count they asked for; the buffer stays as it was either way.
struct EmptyRead {
    const char *what;
    std::int32_t code;
    const char *bytes_value;
    const char *count_value;
    std::uint32_t asked;
    std::int32_t with_count_output;     // what the stubs with a count output return
    std::int32_t without_count_output;  // what the stubs without one return
    std::uint32_t count_after;
};

const EmptyRead kEmptyReads[] = {
    {"null data with a count of 0 is an empty read", 0, "null", "0", 8, 0, 65543, 0},
    {"16 stays 16", 16, "null", "0", 8, 16, 65543, 0},
    {"asking for 0 bytes, null data is an empty read", 0, "null", "0", 0, 0, 0, 0},
    {"null data with a count of 1 stays a mismatch", 0, "null", "1", 0, 65543, 0, 1},
    {"a count of 256 is 0 in 8 bits only", 0, "null", "256", 8, -1, 65543, 256},
    {"a count that is not an integer stores 0 and fails", 0, "null", R"("0")", 0, 65543, 0, 0},
    {"false is not null", 0, "false", "0", 0, 65543, 65543, 0},
};

TEST_F(TransferStub, a_read_of_no_bytes_accepts_null_data_and_leaves_the_buffer_alone) {
    for (const ReadStub &stub : kReadStubs) {
        bool has_count = *stub.count_name != '\0';
        for (const EmptyRead &e : kEmptyReads) {
            reset_transport();
            script_answer(e.code,
                          outs(stub, named(stub.bytes_name, e.bytes_value), named(stub.count_name, e.count_value)));
            std::vector<std::uint8_t> buffer(16, kFill);
            std::uint32_t count = e.asked;
            std::int32_t returned = stub.call(buffer.data(), &count);
            std::string where = std::string(stub.label) + ": " + e.what;
            if (has_count) {
                // The SMBus count is 8 bits wide: 256 arrives as 0.
                bool eight_bits = std::string(stub.label) == "SmbusReadBlock";
                std::int32_t expected = e.with_count_output >= 0 ? e.with_count_output : (eight_bits ? 0 : 65543);
                EXPECT_EQ(returned, expected) << where;
                EXPECT_EQ(count, eight_bits ? e.count_after & 0xFF : e.count_after) << where;
            } else {
                EXPECT_EQ(returned, e.without_count_output) << where;
            }
            EXPECT_EQ(buffer, std::vector<std::uint8_t>(16, kFill)) << where;
        }
    }
}

TEST_F(TransferStub, a_null_output_list_is_a_mismatch_for_a_read_and_success_for_a_write) {
    script_answer(0, "NULL");
    std::uint8_t buffer[4] = {kFill};
    std::uint32_t count = 4;
    EXPECT_EQ(OmbixR_I2cRead(0, 0, 0x50, 0, 0, buffer, &count), 65543);
    EXPECT_EQ(count, 4u);
    const std::uint8_t bytes[] = {1, 2};
    EXPECT_EQ(OmbixR_I2cWrite(0, 0, 0x50, 0, bytes, 2), 0);
    script_answer(0, R"([{"i": "x", "v": 1}])");
    EXPECT_EQ(OmbixR_StorageWrite(0, 0, 0, bytes, 2), 65543);
}

struct Sent {
    const char *what;
    std::function<void()> call;
    const char *call_name;
    std::string params;
};

const std::uint8_t kBytes[] = {'A', 'B', 'C', 'D'};

TEST_F(TransferStub, parameters_are_sent_by_name_in_order_with_counts_always_present) {
    std::uint8_t buffer[8];
    const Sent cases[] = {
        {"probe", [] { OmbixR_I2cProbe(0, 1, 0x50, 0x10, 1); }, "OmbixI2cProbe",
         R"([{"i":"i2cNr","v":1},{"i":"i2cAddress","v":80},{"i":"memoryAddress","v":16},{"i":"memoryAddressUsed","v":1}])"},
        {"I2C read sends the capacity as its count",
         [&] {
             std::uint32_t n = 4000000000u;
             OmbixR_I2cRead(0, 1, 0x50, 0x10, 1, buffer, &n);
         },
         "OmbixI2cRead",
         R"([{"i":"i2cNr","v":1},{"i":"i2cAddress","v":80},{"i":"memoryAddress","v":16},{"i":"memoryAddressUsed","v":1},{"i":"dataLength","v":4000000000}])"},
        {"I2C write sends its bytes as base64", [] { OmbixR_I2cWrite(0, 0, 0x50, 0xFF, kBytes, 3); }, "OmbixI2cWrite",
         R"([{"i":"i2cNr","v":0},{"i":"i2cAddress","v":80},{"i":"memoryAddress","v":255},{"i":"data","v":"QUJD"},{"i":"dataLength","v":3}])"},
        {"a null write buffer sends null with the count", [] { OmbixR_I2cWrite(0, 0, 0x50, 0, nullptr, 3); },
         "OmbixI2cWrite",
         R"([{"i":"i2cNr","v":0},{"i":"i2cAddress","v":80},{"i":"memoryAddress","v":0},{"i":"data","v":null},{"i":"dataLength","v":3}])"},
        {"combined transfer",
         [&] {
             std::uint32_t n = 8;
             OmbixR_I2cXfer(0, 0, 0x50, kBytes, 1, buffer, &n);
         },
         "OmbixI2cXfer",
         R"([{"i":"i2cNr","v":0},{"i":"i2cAddress","v":80},{"i":"writeData","v":"QQ=="},{"i":"writeLength","v":1},{"i":"readLength","v":8}])"},
        {"a write count of 2^31 or more is negative as signed and sends null",
         [&] {
             std::uint32_t n = 0;
             OmbixR_I2cXfer(0, 0, 0x50, kBytes, 0x80000000u, buffer, &n);
         },
         "OmbixI2cXfer",
         R"([{"i":"i2cNr","v":0},{"i":"i2cAddress","v":80},{"i":"writeData","v":null},{"i":"writeLength","v":2147483648},{"i":"readLength","v":0}])"},
        {"a negative storage count sends null data and the count", [] { OmbixR_StorageWrite(0, 1, -5, kBytes, -1); },
         "OmbixStorageWrite",
         R"([{"i":"storageNr","v":1},{"i":"offset","v":-5},{"i":"data","v":null},{"i":"dataLength","v":-1}])"},
        {"storage read sends no data element", [&] { OmbixR_StorageRead(0, 1, 2, buffer, 8); }, "OmbixStorageRead",
         R"([{"i":"storageNr","v":1},{"i":"offset","v":2},{"i":"dataLength","v":8}])"},
        {"SPI with a read buffer sends an empty text as its switch",
         [&] { OmbixR_SpiXfer(0, 0, 0xFFFF, 0xFFFFFFFFu, 4, 2, kBytes, buffer); }, "OmbixSpiXfer",
         R"([{"i":"spiNr","v":0},{"i":"deviceId","v":65535},{"i":"command","v":4294967295},{"i":"commandSize","v":4},{"i":"numTransfers","v":2},{"i":"writeData","v":"QUI="},{"i":"readData","v":""}])"},
        {"SPI without buffers sends null for both", [] { OmbixR_SpiXfer(0, 0, 1, 2, 3, 4, nullptr, nullptr); },
         "OmbixSpiXfer",
         R"([{"i":"spiNr","v":0},{"i":"deviceId","v":1},{"i":"command","v":2},{"i":"commandSize","v":3},{"i":"numTransfers","v":4},{"i":"writeData","v":null},{"i":"readData","v":null}])"},
        {"an SMBus block write of 0 bytes sends null and 0", [] { OmbixR_SmbusWriteBlock(0, 0, 0x50, 7, kBytes, 0); },
         "OmbixSmbusWriteBlock",
         R"([{"i":"smbusNr","v":0},{"i":"smbusAddress","v":80},{"i":"command","v":7},{"i":"data","v":null},{"i":"dataLength","v":0}])"},
        {"an SMBus block read sends its 8-bit capacity",
         [&] {
             std::uint8_t n = 255;
             OmbixR_SmbusReadBlock(0, 0, 0x50, 7, buffer, &n);
         },
         "OmbixSmbusReadBlock",
         R"([{"i":"smbusNr","v":0},{"i":"smbusAddress","v":80},{"i":"command","v":7},{"i":"dataLength","v":255}])"},
        {"SMBus word write", [] { OmbixR_SmbusWriteWord(0, 0, 0x50, 7, 0xBEEF); }, "OmbixSmbusWriteWord",
         R"([{"i":"smbusNr","v":0},{"i":"smbusAddress","v":80},{"i":"command","v":7},{"i":"word","v":48879}])"},
        {"SMBus receive byte",
         [] {
             std::uint8_t b;
             OmbixR_SmbusReceiveByte(0, 0, 0x50, &b);
         },
         "OmbixSmbusReceiveByte", R"([{"i":"smbusNr","v":0},{"i":"smbusAddress","v":80}])"},
        {"SMBus quick command", [] { OmbixR_SmbusQuickCommand(0, 0, 0x50, 1); }, "OmbixSmbusQuickCommand",
         R"([{"i":"smbusNr","v":0},{"i":"smbusAddress","v":80},{"i":"operation","v":1}])"},
    };
    for (const Sent &c : cases) {
        reset_transport();
        script_answer(7, "NULL");
        c.call();
        ASSERT_EQ(sent_calls().size(), 1u) << c.what;
        EXPECT_EQ(sent_calls()[0].name, c.call_name) << c.what;
        EXPECT_EQ(sent_params(), canonical(c.params)) << c.what;
    }
}

TEST_F(TransferStub, byte_and_word_reads_keep_the_low_bits_and_store_0_on_a_mismatch) {
    std::uint16_t word = 9;
    script_answer(0, R"([{"i": "word", "v": 65537}])");
    EXPECT_EQ(OmbixR_SmbusReadWord(0, 0, 0x50, 0, &word), 0);
    EXPECT_EQ(word, 1);
    std::uint8_t byte = 9;
    script_answer(16, R"([{"i": "byte", "v": 300}])");
    EXPECT_EQ(OmbixR_SmbusReadByte(0, 0, 0x50, 0, &byte), 16);
    EXPECT_EQ(byte, 44);
    script_answer(0, R"([{"i": "byte", "v": "1"}])");
    EXPECT_EQ(OmbixR_SmbusReceiveByte(0, 0, 0x50, &byte), 65543);
    EXPECT_EQ(byte, 0);
    byte = 9;
    script_answer(0, "[]");
    EXPECT_EQ(OmbixR_SmbusReceiveByte(0, 0, 0x50, &byte), 65543);
    EXPECT_EQ(byte, 9);
}

TEST_F(TransferStub, a_negative_storage_count_sizes_no_buffer_whatever_the_server_sends) {
    std::uint8_t buffer[4] = {kFill, kFill, kFill, kFill};
    script_answer(0, R"([{"i": "data", "v": "QUJD"}])");
    EXPECT_EQ(OmbixR_StorageRead(0, 0, 0, buffer, -1), 65543);
    EXPECT_EQ(buffer[0], kFill);
}

// jansson allocates through these; a text of the write data fails to be made.
void *refuse_large(std::size_t size) {
    return size > 1000 ? nullptr : std::malloc(size);
}

TEST_F(TransferStub, bytes_that_cannot_be_encoded_are_not_sent_as_a_write_without_data) {
    std::vector<std::uint8_t> bytes(3000, 0x55);
    json_set_alloc_funcs(refuse_large, std::free);
    std::int32_t code = OmbixR_StorageWrite(0, 0, 0, bytes.data(), static_cast<std::int32_t>(bytes.size()));
    json_set_alloc_funcs(std::malloc, std::free);
    EXPECT_EQ(code, OMBIX_RC_OVER_LIMIT);  // no memory for the request: refused like a call that asks too much
    EXPECT_TRUE(sent_calls().empty());
}

}  // namespace
