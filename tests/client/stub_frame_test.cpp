// The stub frame against a scripted transport: what is sent, which codes pass
// through, how outputs are checked and stored, and who releases the answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "json_text.h"
#include "ombixRemoteCall.h"
#include "scripted_stub_test.h"
#include "scripted_transport.h"

using namespace ombix::test;

namespace {

using StubFrame = ScriptedStubTest;

constexpr std::int32_t kUntouched = 0x5A5A5A5A;

TEST_F(StubFrame, a_call_is_made_once_with_the_handle_the_name_and_the_list) {
    script_answer(0, R"([{"i": "pwm", "v": 1}, {"i": "rpm", "v": 2}])");
    std::uint8_t pwm = 0;
    std::int32_t rpm = 0;
    EXPECT_EQ(OmbixR_GetFanSpeed(42, 2, &pwm, &rpm), 0);
    ASSERT_EQ(sent_calls().size(), 1u);
    EXPECT_EQ(sent_calls()[0].handle, 42);
    EXPECT_EQ(sent_calls()[0].name, "OmbixGetFanSpeed");
    EXPECT_EQ(sent_params(), canonical(R"([{"i": "fanNr", "v": 2}])"));
}

TEST_F(StubFrame, a_call_without_parameters_sends_no_list_and_accepts_no_answer) {
    script_answer(0, "NULL");
    EXPECT_EQ(OmbixR_WatchdogTrigger(1), 0);
    EXPECT_EQ(sent_params(), "NULL");
}

TEST_F(StubFrame, inputs_are_extended_by_their_declared_type) {
    script_answer(0, "[]");
    OmbixR_SetFanModeThermalCruise(0, 0xFFFFFFFFu, 0x80000000u, 1);
    EXPECT_EQ(sent_params(), canonical(R"([{"i": "fanNr", "v": 4294967295}, {"i": "targetTemp", "v": 2147483648},
                                           {"i": "toleranceTemp", "v": 1}])"));
    OmbixR_SetFanModeManual(0, -1, 255);
    EXPECT_EQ(sent_params(), canonical(R"([{"i": "fanNr", "v": -1}, {"i": "targetPwm", "v": 255}])"));
    OmbixR_SetCpuPerformance(0, -128);
    EXPECT_EQ(sent_params(), canonical(R"([{"i": "performancePercentage", "v": -128}])"));
    OmbixR_Passwd(0, "new", "old");
    EXPECT_EQ(sent_params(), canonical(R"([{"i": "newPassword", "v": "new"}, {"i": "oldPassword", "v": "old"}])"));
}

TEST_F(StubFrame, a_null_text_is_left_out_of_the_list) {
    script_answer(0, "[]");
    OmbixR_Passwd(0, nullptr, "old");
    EXPECT_EQ(sent_params(), canonical(R"([{"i": "oldPassword", "v": "old"}])"));
}

// The rows of the stub's failure table, on a one-output call.
struct Outcome {
    const char *what;
    std::int32_t code;
    const char *outs;
    std::int32_t returned;
    std::int32_t stored;
};

void PrintTo(const Outcome &o, std::ostream *os) {
    *os << o.what;
}

class OneOutput : public StubFrame, public ::testing::WithParamInterface<Outcome> {};

TEST_P(OneOutput, returns_and_stores_as_the_table_says) {
    const Outcome &o = GetParam();
    script_answer(o.code, o.outs);
    std::int32_t bootCount = kUntouched;
    EXPECT_EQ(OmbixR_GetBootCounter(0, &bootCount), o.returned);
    EXPECT_EQ(bootCount, o.stored);
}

const Outcome kOutcomes[] = {
    {"success", 0, R"([{"i": "bootCount", "v": 7}])", 0, 7},
    {"16 carries outputs too", 16, R"([{"i": "bootCount", "v": 7}])", 16, 7},
    {"a failure code passes through untouched", 5, R"([{"i": "bootCount", "v": 7}])", 5, kUntouched},
    {"a failure code with no list", 12, "NULL", 12, kUntouched},
    {"a negative failure code", -3, "NULL", -3, kUntouched},
    {"an empty list", 0, "[]", 65543, kUntouched},
    {"a null list", 0, "NULL", 65543, kUntouched},
    {"a list that is not an array", 0, R"({"i": "bootCount", "v": 7})", 65543, kUntouched},
    {"a list too long", 0, R"([{"i": "bootCount", "v": 7}, {"i": "bootCount", "v": 8}])", 65543, kUntouched},
    {"a string where an integer belongs", 0, R"([{"i": "bootCount", "v": "7"}])", 65543, 0},
    {"a real where an integer belongs", 0, R"([{"i": "bootCount", "v": 7.0}])", 65543, 0},
    {"a wrong name", 16, R"([{"i": "BootCount", "v": 7}])", 65543, 0},
    {"a missing v", 0, R"([{"i": "bootCount"}])", 65543, 0},
    {"extra members are ignored", 0, R"([{"v": 9, "x": [], "i": "bootCount"}])", 0, 9},
    {"the low 32 bits are kept", 0, R"([{"i": "bootCount", "v": 4294967295}])", 0, -1},
};
INSTANTIATE_TEST_SUITE_P(Rows, OneOutput, ::testing::ValuesIn(kOutcomes));

TEST_F(StubFrame, every_output_is_checked_and_stored_even_after_a_failure) {
    script_answer(0, R"([{"i": "isInput", "v": 1}, {"i": "isOutputs", "v": 1}])");
    std::uint8_t isInput = 9, isOutput = 9;
    EXPECT_EQ(OmbixR_GpioGetDirectionCaps(0, 3, &isInput, &isOutput), 65543);
    EXPECT_EQ(isInput, 1);
    EXPECT_EQ(isOutput, 0);

    script_answer(0, R"([{"i": "isInput", "v": "1"}, {"i": "isOutput", "v": 1}])");
    isInput = isOutput = 9;
    EXPECT_EQ(OmbixR_GpioGetDirectionCaps(0, 3, &isInput, &isOutput), 65543);
    EXPECT_EQ(isInput, 0);
    EXPECT_EQ(isOutput, 1);
}

TEST_F(StubFrame, an_output_keeps_the_low_bits_of_its_width) {
    script_answer(0, R"([{"i": "performancePercentage", "v": 300}])");
    std::int8_t performance = 0;
    EXPECT_EQ(OmbixR_GetCpuPerformance(0, &performance), 0);
    EXPECT_EQ(performance, 44);
    script_answer(0, R"([{"i": "fanMode", "v": -1}])");
    std::uint8_t mode = 0;
    EXPECT_EQ(OmbixR_GetFanMode(0, 1, &mode), 0);
    EXPECT_EQ(mode, 255);
}

TEST_F(StubFrame, fan_speed_skips_null_output_pointers) {
    script_answer(0, R"([{"i": "bad"}, {"i": "rpm", "v": 2400}])");
    std::int32_t rpm = 0;
    EXPECT_EQ(OmbixR_GetFanSpeed(0, 1, nullptr, &rpm), 0);
    EXPECT_EQ(rpm, 2400);

    script_answer(16, R"([{"i": "pwm", "v": 128}, 5])");
    std::uint8_t pwm = 0;
    EXPECT_EQ(OmbixR_GetFanSpeed(0, 1, &pwm, nullptr), 16);
    EXPECT_EQ(pwm, 128);

    // The length check still applies.
    script_answer(0, R"([{"i": "pwm", "v": 128}])");
    EXPECT_EQ(OmbixR_GetFanSpeed(0, 1, nullptr, nullptr), 65543);
}

TEST_F(StubFrame, a_call_without_outputs_fails_on_a_non_empty_answer) {
    script_answer(0, R"([{"i": "anything", "v": 1}])");
    EXPECT_EQ(OmbixR_WatchdogEnable(0, 5), 65543);
    script_answer(16, "[]");
    EXPECT_EQ(OmbixR_WatchdogEnable(0, 5), 16);
    script_answer(7, R"([{"i": "anything", "v": 1}])");
    EXPECT_EQ(OmbixR_WatchdogEnable(0, 5), 7);
}

}  // namespace
