// The transfer wrappers against the simulated board: the order of outcomes
// (count, negative storage count, bound, mismatch, API code), buffer elements,
// the SPI read switch, SMBus block counts and the outputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

using namespace ombix::test;
namespace sim = ombix::sim;

namespace {

class TransferWrapper : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    void TearDown() override { sim::reset(); }

    static std::string answer(const char *name, const std::string &params) {
        JsonPtr list = parse(params);
        EXPECT_TRUE(list != nullptr) << "bad test JSON: " << params;
        JsonPtr result(ombixExecuteName(name, list.get()));
        return text_of(result.get());
    }
    static std::string ret_only(std::int32_t code) {
        return canonical(R"({"ret": )" + std::to_string(code) + R"(, "outs": []})");
    }
    static bool called(const char *name) { return !sim::last_call(name).name.empty(); }
};

std::string named(const char *name, const std::string &value) {
    return R"({"i": ")" + std::string(name) + R"(", "v": )" + value + "}";
}

std::string i2c_read(const std::string &bus, const std::string &length) {
    return "[" + named("i2cNr", bus) + "," + named("i2cAddress", "80") + "," + named("memoryAddress", "0") + "," +
           named("memoryAddressUsed", "1") + "," + named("dataLength", length) + "]";
}
std::string i2c_write(const std::string &data, const std::string &length, const char *data_name = "data") {
    return "[" + named("i2cNr", "0") + "," + named("i2cAddress", "80") + "," + named("memoryAddress", "16") + "," +
           named(data_name, data) + "," + named("dataLength", length) + "]";
}
std::string i2c_xfer(const std::string &write, const std::string &write_length, const std::string &read_length) {
    return "[" + named("i2cNr", "0") + "," + named("i2cAddress", "80") + "," + named("writeData", write) + "," +
           named("writeLength", write_length) + "," + named("readLength", read_length) + "]";
}
std::string storage_read(const std::string &length, const char *length_name = "dataLength") {
    return "[" + named("storageNr", "0") + "," + named("offset", "0") + "," + named(length_name, length) + "]";
}
std::string storage_write(const std::string &data, const std::string &length) {
    return "[" + named("storageNr", "0") + "," + named("offset", "0") + "," + named("data", data) + "," +
           named("dataLength", length) + "]";
}
std::string spi_xfer(const std::string &count, const std::string &write, const std::string &read_element) {
    return "[" + named("spiNr", "0") + "," + named("deviceId", "0") + "," + named("command", "50331648") + "," +
           named("commandSize", "4") + "," + named("numTransfers", count) + "," + named("writeData", write) + "," +
           read_element + "]";
}
std::string smbus_block(const std::string &data, const std::string &length) {
    return "[" + named("smbusNr", "0") + "," + named("smbusAddress", "80") + "," + named("command", "32") + "," +
           named("data", data) + "," + named("dataLength", length) + "]";
}

struct RefusedCase {
    const char *what;
    const char *call;
    std::string params;
    std::int32_t code;
};

TEST_F(TransferWrapper, refused_counts_give_their_code_without_a_call) {
    const RefusedCase cases[] = {
        {"a read of 262145 bytes is over the limit", "OmbixI2cRead", i2c_read("0", "262145"), 12},
        {"-1 is 4294967295 unsigned, over the limit", "OmbixI2cRead", i2c_read("0", "-1"), 12},
        {"the bound wins over a mismatching bus number", "OmbixI2cRead", i2c_read(R"("zero")", "262145"), 12},
        {"a write of 262145 bytes is over the limit", "OmbixI2cWrite", i2c_write("null", "262145"), 12},
        {"a read length over the limit wins over invalid write text", "OmbixI2cXfer",
         i2c_xfer(R"("!!!")", "1", "262145"), 12},
        {"a write length over the limit", "OmbixI2cXfer", i2c_xfer("null", "262145", "0"), 12},
        {"a negative storage read count", "OmbixStorageRead", storage_read("-1"), 1},
        {"a storage read over the limit", "OmbixStorageRead", storage_read("262145"), 12},
        {"a negative storage write count wins over invalid text", "OmbixStorageWrite", storage_write(R"("-")", "-1"),
         1},
        {"a storage write over the limit", "OmbixStorageWrite", storage_write("null", "262145"), 12},
        {"an SPI transfer over the limit, with a number as write data", "OmbixSpiXfer",
         spi_xfer("262145", "5", named("readData", "null")), 12},
        {"a mismatching count counts as 0, so it is a mismatch", "OmbixStorageRead", storage_read(R"("-1")"), 65543},
        {"a misnamed count is a mismatch", "OmbixStorageRead", storage_read("-1", "length"), 65543},
        {"write data that is a number", "OmbixI2cWrite", i2c_write("5", "4"), 65543},
        {"write data that is an array", "OmbixI2cWrite", i2c_write("[]", "4"), 65543},
        {"write text under another name", "OmbixI2cWrite", i2c_write(R"("QUJD")", "4", "bytes"), 65543},
        {"write text outside the alphabet", "OmbixI2cWrite", i2c_write(R"("QU-D")", "4"), 65543},
        {"write text that decodes to more bytes than the count", "OmbixI2cWrite", i2c_write(R"("QUJD")", "2"), 65543},
        {"write text with a line break", "OmbixStorageWrite", storage_write(R"("QUJD\n")", "8"), 65543},
        {"SMBus block text longer than the low 8 bits of the count", "OmbixSmbusWriteBlock",
         smbus_block(R"("QUJDRA==")", "259"), 65543},
    };
    for (const RefusedCase &c : cases) {
        sim::reset();
        EXPECT_EQ(answer(c.call, c.params), ret_only(c.code)) << c.what;
        EXPECT_FALSE(called(c.call)) << c.what;
    }
}

TEST_F(TransferWrapper, the_largest_transfers_are_served) {
    std::string text = answer("OmbixI2cRead", i2c_read("0", "262144"));
    EXPECT_EQ(sim::last_call("OmbixI2cRead").arguments.at(5).integer, 262144);
    JsonPtr result = parse(text);
    json_t *outs = json_object_get(result.get(), "outs");
    EXPECT_EQ(json_integer_value(json_object_get(result.get(), "ret")), 0);
    EXPECT_EQ(std::string(json_string_value(json_object_get(json_array_get(outs, 0), "v"))).size(), 349528u);
    EXPECT_EQ(json_integer_value(json_object_get(json_array_get(outs, 1), "v")), 262144);

    result = parse(answer("OmbixStorageRead", storage_read("262144")));
    EXPECT_EQ(json_integer_value(json_object_get(result.get(), "ret")), 0);
    outs = json_object_get(result.get(), "outs");
    EXPECT_EQ(std::string(json_string_value(json_object_get(json_array_get(outs, 0), "v"))).size(), 349528u);
}

TEST_F(TransferWrapper, a_wrong_element_count_gives_the_error_object) {
    EXPECT_EQ(answer("OmbixI2cXfer", "[1]"),
              canonical(R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 5}})"));
    EXPECT_EQ(answer("OmbixSpiXfer", "[]"),
              canonical(R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 1}})"));
    EXPECT_EQ(answer("OmbixStorageRead", "{}"),
              canonical(R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 0}})"));
}

TEST_F(TransferWrapper, null_write_data_passes_a_null_pointer_with_the_stated_count_whatever_its_name) {
    answer("OmbixI2cWrite", i2c_write("null", "4", "anything"));
    sim::CallRecord call = sim::last_call("OmbixI2cWrite");
    ASSERT_FALSE(call.name.empty());
    EXPECT_TRUE(call.arguments.at(3).null);
    EXPECT_EQ(call.arguments.at(4).integer, 4);
}

TEST_F(TransferWrapper, text_shorter_than_the_count_fills_the_start_of_a_cleared_buffer_of_the_count) {
    EXPECT_EQ(answer("OmbixI2cWrite", i2c_write(R"("QUJD")", "5")), ret_only(0));
    sim::CallRecord call = sim::last_call("OmbixI2cWrite");
    EXPECT_EQ(call.arguments.at(4).integer, 5);
    EXPECT_EQ(call.arguments.at(5).bytes, (std::vector<std::uint8_t>{'A', 'B', 'C', 0, 0}));
}

TEST_F(TransferWrapper, smbus_block_counts_keep_their_low_8_bits) {
    EXPECT_EQ(answer("OmbixSmbusWriteBlock", smbus_block(R"("QUJD")", "259")), ret_only(0));
    sim::CallRecord call = sim::last_call("OmbixSmbusWriteBlock");
    EXPECT_EQ(call.arguments.at(4).integer, 3);
    EXPECT_EQ(call.arguments.at(5).bytes, (std::vector<std::uint8_t>{'A', 'B', 'C'}));

    std::string read = "[" + named("smbusNr", "0") + "," + named("smbusAddress", "80") + "," + named("command", "32") +
                       "," + named("dataLength", "259") + "]";
    EXPECT_EQ(answer("OmbixSmbusReadBlock", read),
              canonical(R"({"ret": 0, "outs": [{"i": "data", "v": "QUJD"}, {"i": "dataLength", "v": 3}]})"));
    EXPECT_EQ(sim::last_call("OmbixSmbusReadBlock").arguments.at(4).integer, 3);
}

TEST_F(TransferWrapper, a_read_of_no_bytes_answers_null_data_with_a_count_of_0) {
    EXPECT_EQ(answer("OmbixI2cRead", i2c_read("0", "0")),
              canonical(R"({"ret": 0, "outs": [{"i": "data", "v": null}, {"i": "dataLength", "v": 0}]})"));
    EXPECT_EQ(answer("OmbixStorageRead", storage_read("0")),
              canonical(R"({"ret": 0, "outs": [{"i": "data", "v": null}]})"));
}

TEST_F(TransferWrapper, outputs_travel_with_16_and_not_with_other_codes) {
    sim::force_code("OmbixI2cRead", 16);
    EXPECT_EQ(answer("OmbixI2cRead", i2c_read("0", "5")),
              canonical(R"({"ret": 16, "outs": [{"i": "data", "v": "T01CSVg="}, {"i": "dataLength", "v": 5}]})"));
    sim::force_code("OmbixI2cRead", 5);
    EXPECT_EQ(answer("OmbixI2cRead", i2c_read("0", "5")), ret_only(5));
    EXPECT_EQ(answer("OmbixI2cRead", i2c_read("9", "5")), ret_only(5));
}

TEST_F(TransferWrapper, the_api_failure_code_passes_through) {
    EXPECT_EQ(answer("OmbixI2cRead", i2c_read("9", "5")), ret_only(sim::kNoDevice));
    EXPECT_EQ(answer("OmbixI2cWrite", i2c_write("null", "4")), ret_only(sim::kInvalidValue));
}

TEST_F(TransferWrapper, the_spi_read_switch_asks_for_a_buffer_unless_its_value_is_null) {
    sim::board().devices.spi[0].memory[0] = 0x41;
    sim::board().devices.spi[0].memory[1] = 0x42;
    EXPECT_EQ(answer("OmbixSpiXfer", spi_xfer("2", "null", named("readData", "null"))),
              canonical(R"({"ret": 0, "outs": [{"i": "readData", "v": null}]})"));
    EXPECT_TRUE(sim::last_call("OmbixSpiXfer").arguments.at(6).null);

    const std::string asks_for_a_buffer[] = {named("readData", R"("")"), named("other", "7"), R"({"i": "readData"})",
                                             "3"};
    for (const std::string &element : asks_for_a_buffer) {
        EXPECT_EQ(answer("OmbixSpiXfer", spi_xfer("2", "null", element)),
                  canonical(R"({"ret": 0, "outs": [{"i": "readData", "v": "QUI="}]})"))
            << element;
    }
}

TEST_F(TransferWrapper, a_count_the_api_overstates_never_reads_past_the_buffer) {
    sim::board().devices.extraReportedBytes = 100;
    EXPECT_EQ(answer("OmbixI2cRead", i2c_read("0", "5")),
              canonical(R"({"ret": 0, "outs": [{"i": "data", "v": "T01CSVg="}, {"i": "dataLength", "v": 105}]})"));
}

TEST_F(TransferWrapper, a_combined_transfer_writes_then_reads_and_reports_the_count_read) {
    // Memory address 0x11, then "Z" written there; the read goes on from 0x12.
    EXPECT_EQ(answer("OmbixI2cXfer", i2c_xfer(R"("EVo=")", "2", "3")),
              canonical(R"({"ret": 0, "outs": [{"i": "readData", "v": "AAAA"}, {"i": "readLength", "v": 3}]})"));
    EXPECT_EQ(sim::board().devices.i2c[0].memory[0x11], 'Z');
}

TEST_F(TransferWrapper, integer_only_calls_follow_the_scalar_frame) {
    std::string read_word =
        "[" + named("smbusNr", "0") + "," + named("smbusAddress", "80") + "," + named("command", "4") + "]";
    EXPECT_EQ(answer("OmbixSmbusReadWord", read_word), canonical(R"({"ret": 0, "outs": [{"i": "word", "v": 1284}]})"));
    std::string write_word = "[" + named("smbusNr", "0") + "," + named("smbusAddress", "80") + "," +
                             named("command", "4") + "," + named("word", "65537") + "]";
    EXPECT_EQ(answer("OmbixSmbusWriteWord", write_word), ret_only(0));
    EXPECT_EQ(sim::last_call("OmbixSmbusWriteWord").arguments.at(3).integer, 1);
    std::string probe = "[" + named("i2cNr", "1") + "," + named("i2cAddress", "87") + "," +
                        named("memoryAddress", "0") + "," + named("memoryAddressUsed", "0") + "]";
    EXPECT_EQ(answer("OmbixI2cProbe", probe), ret_only(0));
}

}  // namespace
