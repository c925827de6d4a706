// The record and list wrappers against the simulated board: field encodings
// at their edges, the list bound, zero-filled lists and the description.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base64.h"
#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

using namespace ombix::test;
namespace sim = ombix::sim;

namespace {

class RecordServer : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    void TearDown() override { sim::reset(); }

    static JsonPtr serve(const char *call, const char *params) {
        JsonPtr list = parse(params);
        return JsonPtr(ombixExecuteName(call, list.get()));
    }
    // The "v" of the answer's one output, or null.
    static json_t *output(const JsonPtr &answer) {
        return json_object_get(json_array_get(json_object_get(answer.get(), "outs"), 0), "v");
    }
    static std::int64_t code(const JsonPtr &answer) { return json_integer_value(json_object_get(answer.get(), "ret")); }
};

TEST_F(RecordServer, a_record_goes_out_as_its_fields_in_order_with_each_kind_at_its_edges) {
    CPU_INFO &cpu = sim::board().records.cpuInfo;
    sim::set_text(cpu.cpuName, "");
    cpu.cpuCount = -1;
    cpu.cpuCoreCount = 2147483647;
    cpu.cpuThreadCount = -2147483647 - 1;
    cpu.cpuMaxCoreSpeed = 2.5f;
    cpu.fsbSpeed = cpu.l1Cache = cpu.l2Cache = cpu.l3Cache = 0;
    JsonPtr answer = serve("OmbixGetCpuInfo", "[]");
    EXPECT_EQ(text_of(answer.get()), canonical(R"({"ret": 0, "outs": [{"i": "cpuInfo", "v": [
        {"i": "cpuName", "v": ""}, {"i": "cpuCount", "v": -1}, {"i": "cpuCoreCount", "v": 2147483647},
        {"i": "cpuThreadCount", "v": -2147483648}, {"i": "cpuMaxCoreSpeed", "v": 2.5}, {"i": "fsbSpeed", "v": 0},
        {"i": "l1Cache", "v": 0}, {"i": "l2Cache", "v": 0}, {"i": "l3Cache", "v": 0}]}]})"));
}

TEST_F(RecordServer, unsigned_fields_are_zero_extended) {
    sim::board().records.libVersion.OmbixVersion = 0xFFFFFFFFu;
    sim::board().fans.resize(1);
    sim::board().fans[0].pwm = 255;
    sim::board().records.smartAttributes[0].resize(1);
    sim::board().records.smartAttributes[0][0] = SMART_ATTRIBUTE{255, 0xFFFF, 255, 255, {0, 0, 0, 0, 0, 0xFF}};

    EXPECT_EQ(json_integer_value(json_object_get(json_array_get(output(serve("OmbixGetLibVersion", "[]")), 1), "v")),
              4294967295);
    JsonPtr fans = serve("OmbixGetFanList", R"([{"i": "fanCount", "v": 1}])");
    EXPECT_EQ(json_integer_value(json_object_get(json_array_get(json_array_get(output(fans), 0), 2), "v")), 255);
    JsonPtr smart = serve("OmbixGetDiskDriveSMARTAttrs", R"([{"i": "diskNr", "v": 0}, {"i": "attrCount", "v": 1}])");
    EXPECT_EQ(text_of(output(smart)), canonical(R"([[{"i": "attrID", "v": 255}, {"i": "statusFlags", "v": 65535},
        {"i": "attrValue", "v": 255}, {"i": "worstValue", "v": 255}, {"i": "rawValue", "v": "AAAAAAD/"}]])"));
}

TEST_F(RecordServer, texts_go_out_up_to_their_terminator_and_never_past_their_field) {
    BOARD_INFO &info = sim::board().records.boardInfo;
    const std::string longest(127, 'x');
    sim::set_text(info.boardManufacturer, longest);
    sim::set_text(info.boardName, "");
    std::memset(info.boardVersion, 'y', sizeof info.boardVersion);  // no terminator at all
    JsonPtr answer = serve("OmbixGetBoardInfo", "[]");
    json_t *record = output(answer);
    ASSERT_EQ(json_array_size(record), 6u);
    EXPECT_EQ(json_string_value(json_object_get(json_array_get(record, 0), "v")), longest);
    EXPECT_STREQ(json_string_value(json_object_get(json_array_get(record, 1), "v")), "");
    EXPECT_EQ(json_string_value(json_object_get(json_array_get(record, 2), "v")), std::string(128, 'y'));
}

TEST_F(RecordServer, a_text_that_is_not_utf8_is_left_out_and_the_fields_behind_it_move_up) {
    sim::set_text(sim::board().records.boardInfo.boardName, "bad \xC3\x28 text");
    JsonPtr answer = serve("OmbixGetBoardInfo", "[]");
    json_t *record = output(answer);
    ASSERT_EQ(json_array_size(record), 5u);
    EXPECT_STREQ(json_string_value(json_object_get(json_array_get(record, 0), "i")), "boardManufacturer");
    EXPECT_STREQ(json_string_value(json_object_get(json_array_get(record, 1), "i")), "boardVersion");
}

TEST_F(RecordServer, a_real_that_is_not_finite_cannot_travel_and_is_left_out) {
    sim::board().records.cpuInfo.cpuMaxCoreSpeed = __builtin_nanf("");
    JsonPtr answer = serve("OmbixGetCpuInfo", "[]");
    json_t *record = output(answer);
    ASSERT_EQ(json_array_size(record), 8u);
    EXPECT_STREQ(json_string_value(json_object_get(json_array_get(record, 4), "i")), "fsbSpeed");
}

TEST_F(RecordServer, the_description_goes_out_as_172_base64_characters) {
    JsonPtr answer = serve("OmbixGetPerformanceStateDescription", R"([{"i": "state", "v": 1}])");
    ASSERT_EQ(code(answer), 0);
    const char *text = json_string_value(output(answer));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::strlen(text), 172u);
    EXPECT_EQ(text[171], '=');
    EXPECT_NE(text[170], '=');
    std::uint8_t description[128];
    ASSERT_TRUE(ombix::decodeBase64(text, description, sizeof description));
    EXPECT_STREQ(reinterpret_cast<const char *>(description), sim::board().records.performanceStates[1].c_str());
}

struct ListCase {
    const char *what;
    const char *call;
    const char *params;
    const char *answer;  // canonical text; empty: check the call only
    bool api_called;
};

TEST_F(RecordServer, list_counts_are_bounded_at_512_before_anything_else) {
    const ListCase cases[] = {
        {"count 0 is served with an empty list", "OmbixGetTempSensorList", R"([{"i": "tempSensorCount", "v": 0}])",
         R"({"ret": 0, "outs": [{"i": "tempSensors", "v": []}]})", true},
        {"513 is refused", "OmbixGetTempSensorList", R"([{"i": "tempSensorCount", "v": 513}])",
         R"({"ret": 12, "outs": []})", false},
        {"-1 is refused", "OmbixGetFanList", R"([{"i": "fanCount", "v": -1}])", R"({"ret": 12, "outs": []})", false},
        {"the low 32 bits of 2^32 + 600 are counted", "OmbixGetPciDeviceList",
         R"([{"i": "pciDeviceCount", "v": 4294967896}])", R"({"ret": 12, "outs": []})", false},
        {"the bound comes before a failed disk number", "OmbixGetDiskDriveSMARTAttrs",
         R"([{"i": "disk", "v": 0}, {"i": "attrCount", "v": 600}])", R"({"ret": 12, "outs": []})", false},
        {"a real count is a mismatch", "OmbixGetDiskDriveList", R"([{"i": "diskDriveCount", "v": 3.0}])",
         R"({"ret": 65543, "outs": []})", false},
        {"parameters are matched by position", "OmbixGetDiskDriveSMARTAttrs",
         R"([{"i": "attrCount", "v": 2}, {"i": "diskNr", "v": 0}])", R"({"ret": 65543, "outs": []})", false},
        {"a wrong number of parameters is an error object", "OmbixGetDiskDriveSMARTAttrs",
         R"([{"i": "diskNr", "v": 0}])", R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 2}})", false},
        {"a record call takes no parameter", "OmbixGetBoardInfo", "[1]",
         R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 0}})", false},
        {"an empty list for a list call", "OmbixGetNetworkDeviceList", "[]",
         R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 1}})", false},
        {"a record number that is a string", "OmbixGetBatteryInfo", R"([{"i": "slotNr", "v": "0"}])",
         R"({"ret": 65543, "outs": []})", false},
    };
    for (const ListCase &c : cases) {
        sim::reset();
        JsonPtr answer = serve(c.call, c.params);
        EXPECT_EQ(text_of(answer.get()), canonical(c.answer)) << c.what;
        EXPECT_EQ(!sim::calls().empty(), c.api_called) << c.what;
    }
}

TEST_F(RecordServer, a_count_of_512_is_served_with_512_entries) {
    JsonPtr answer = serve("OmbixGetPciDeviceList", R"([{"i": "pciDeviceCount", "v": 512}])");
    ASSERT_EQ(code(answer), 0);
    EXPECT_EQ(json_array_size(output(answer)), 512u);
    EXPECT_EQ(sim::last_call("OmbixGetPciDeviceList").arguments.at(1).integer, 512);
}

TEST_F(RecordServer, all_requested_entries_go_out_even_those_the_api_left_unfilled) {
    sim::board().tempSensors.resize(3);
    JsonPtr answer = serve("OmbixGetTempSensorList", R"([{"i": "tempSensorCount", "v": 5}])");
    json_t *list = output(answer);
    ASSERT_EQ(json_array_size(list), 5u);
    for (std::size_t i = 3; i < 5; ++i) {
        EXPECT_EQ(text_of(json_array_get(list, i)), canonical(R"([{"i": "name", "v": ""}, {"i": "value", "v": 0}])"));
    }
}

TEST_F(RecordServer, code_16_carries_the_output_and_other_codes_carry_none) {
    sim::force_code("OmbixGetMemoryInfo", 16);
    JsonPtr valid = serve("OmbixGetMemoryInfo", "{}");
    EXPECT_EQ(code(valid), 16);
    EXPECT_EQ(json_array_size(output(valid)), 4u);
    sim::force_code("OmbixGetPerformanceStateDescription", 7);
    EXPECT_EQ(text_of(serve("OmbixGetPerformanceStateDescription", R"([{"i": "state", "v": 0}])").get()),
              canonical(R"({"ret": 7, "outs": []})"));
    // The simulated board's own failure: no such battery.
    EXPECT_EQ(text_of(serve("OmbixGetBatteryState", R"([{"i": "slotNr", "v": -1}])").get()),
              canonical(R"({"ret": 2, "outs": []})"));
}

TEST_F(RecordServer, record_numbers_reach_the_api_as_their_low_bits) {
    serve("OmbixGetMemoryModuleInfo", R"([{"i": "moduleNr", "v": 257}])");
    EXPECT_EQ(sim::last_call("OmbixGetMemoryModuleInfo").arguments.at(0).integer, 1);
    serve("OmbixGetPerformanceStateDescription", R"([{"i": "state", "v": -1}])");
    EXPECT_EQ(sim::last_call("OmbixGetPerformanceStateDescription").arguments.at(0).integer, 4294967295);
}

}  // namespace
