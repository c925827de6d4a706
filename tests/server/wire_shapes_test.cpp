// The shapes of the executor's answers: result objects, the two error
// objects, and which parameter values a call accepts as its list.
#include <gtest/gtest.h>

#include <string>

#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

using namespace ombix::test;
namespace sim = ombix::sim;

namespace {

struct Exchange {
    const char *call;
    const char *params;  // JSON text; "NULL" passes a null pointer
    const char *answer;  // expected answer as JSON text
    bool api_called;
};

void PrintTo(const Exchange &e, std::ostream *os) {
    *os << e.call << " " << e.params;
}

class Answers : public ::testing::TestWithParam<Exchange> {
protected:
    void SetUp() override { sim::reset(); }
};

TEST_P(Answers, match_exactly) {
    const Exchange &e = GetParam();
    JsonPtr params = std::string(e.params) == "NULL" ? nullptr : parse(e.params);
    ASSERT_TRUE(std::string(e.params) == "NULL" || params != nullptr) << "bad test JSON";
    JsonPtr answer(ombixExecuteName(e.call, params.get()));
    JsonPtr expected = parse(e.answer);
    ASSERT_NE(answer, nullptr);
    EXPECT_TRUE(json_equal(answer.get(), expected.get())) << text_of(answer.get());
    EXPECT_EQ(!sim::calls().empty(), e.api_called);
}

const Exchange kLengthRules[] = {
    {"OmbixGetFanSpeed", "[]", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 1}})",
     false},
    {"OmbixGetFanSpeed", "{}", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 0}})",
     false},
    {"OmbixGetFanSpeed", R"("fanNr")",
     R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 2}})", false},
    {"OmbixGetFanSpeed", "5", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 3}})", false},
    {"OmbixGetFanSpeed", "2.5", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 4}})",
     false},
    {"OmbixGetFanSpeed", "true", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 5}})",
     false},
    {"OmbixGetFanSpeed", "false", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 6}})",
     false},
    {"OmbixGetFanSpeed", "null", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 7}})",
     false},
    // A null pointer has no type of its own; it is answered as JSON null.
    {"OmbixGetFanSpeed", "NULL", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 7}})",
     false},
    {"OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 0}, {"i": "fanNr", "v": 1}])",
     R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 1}})", false},
    {"OmbixSetFanModeThermalCruise", R"([1])", R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 3}})",
     false},
    {"OmbixWatchdogTrigger", R"([{"i": "timeout", "v": 5}])",
     R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 0}})", false},
    {"OmbixResetIntruderStatus", "[1]", R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 0}})", false},
    // A call without parameters runs with any value that has no elements.
    {"OmbixResetIntruderStatus", "{}", R"({"ret": 0, "outs": []})", true},
    {"OmbixResetIntruderStatus", "[]", R"({"ret": 0, "outs": []})", true},
    {"OmbixResetIntruderStatus", "null", R"({"ret": 0, "outs": []})", true},
    {"OmbixResetIntruderStatus", "NULL", R"({"ret": 0, "outs": []})", true},
    {"OmbixResetIntruderStatus", "7", R"({"ret": 0, "outs": []})", true},
    {"OmbixGetBootCounter", "NULL", R"({"ret": 0, "outs": [{"i": "bootCount", "v": 1342}]})", true},
};
INSTANTIATE_TEST_SUITE_P(LengthRules, Answers, ::testing::ValuesIn(kLengthRules));

const Exchange kResults[] = {
    {"OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 0}])",
     R"({"ret": 0, "outs": [{"i": "pwm", "v": 128}, {"i": "rpm", "v": 2400}]})", true},
    // A failure of the local API travels alone, with an empty output list.
    {"OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 9}])", R"({"ret": 2, "outs": []})", true},
    {"OmbixGetFanSpeed", R"([{"i": "fan", "v": 2}])", R"({"ret": 65543, "outs": []})", false},
    {"OmbixGpioSetLevel", R"([{"i": "gpioNr", "v": 3}, {"i": "level", "v": 1}])", R"({"ret": 4, "outs": []})", true},
    {"OmbixWatchdogEnable", R"([{"i": "timeout", "v": 30}])", R"({"ret": 0, "outs": []})", true},
};
INSTANTIATE_TEST_SUITE_P(Results, Answers, ::testing::ValuesIn(kResults));

class ForcedCodes : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    std::string run(const char *call, const char *params) {
        JsonPtr list = parse(params);
        JsonPtr answer(ombixExecuteName(call, list.get()));
        return text_of(answer.get());
    }
};

TEST_F(ForcedCodes, outputs_travel_with_16_as_with_0) {
    sim::force_code("OmbixGetFanSpeed", 16);
    EXPECT_EQ(run("OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 0}])"),
              canonical(R"({"ret": 16, "outs": [{"i": "pwm", "v": 128}, {"i": "rpm", "v": 2400}]})"));
}

TEST_F(ForcedCodes, any_other_code_travels_without_outputs) {
    for (int code : {1, 5, 7, 12, 15, 17, 65543}) {
        sim::force_code("OmbixGetFanSpeed", code);
        EXPECT_EQ(run("OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 0}])"),
                  canonical(R"({"ret": )" + std::to_string(code) + R"(, "outs": []})"));
    }
}

TEST_F(ForcedCodes, a_code_of_2_to_the_31_or_more_travels_negative) {
    sim::force_code("OmbixWatchdogDisable", static_cast<std::int32_t>(0x80000001u));
    EXPECT_EQ(run("OmbixWatchdogDisable", "[]"), canonical(R"({"ret": -2147483647, "outs": []})"));
    sim::force_code("OmbixWatchdogDisable", -1);
    EXPECT_EQ(run("OmbixWatchdogDisable", "[]"), canonical(R"({"ret": -1, "outs": []})"));
}

}  // namespace
