// The per-position check of parameters and the integer rule on the way in.
#include <gtest/gtest.h>

#include <string>

#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

using namespace ombix::test;
namespace sim = ombix::sim;

namespace {

struct Check {
    const char *what;
    const char *call;
    const char *params;
    bool accepted;
};

void PrintTo(const Check &c, std::ostream *os) {
    *os << c.what;
}

class ParameterCheck : public ::testing::TestWithParam<Check> {
protected:
    void SetUp() override { sim::reset(); }
};

// A mismatch answers 65543 with no outputs and never calls the local API.
TEST_P(ParameterCheck, decides_whether_the_api_is_called) {
    const Check &c = GetParam();
    JsonPtr params = parse(c.params);
    ASSERT_NE(params, nullptr) << "bad test JSON";
    JsonPtr answer(ombixExecuteName(c.call, params.get()));
    ASSERT_NE(answer, nullptr);
    bool called = !sim::calls().empty();
    EXPECT_EQ(called, c.accepted);
    if (!c.accepted) {
        EXPECT_EQ(text_of(answer.get()), canonical(R"({"ret": 65543, "outs": []})"));
    }
}

const Check kChecks[] = {
    {"matching list", "OmbixGpioSetLevel", R"([{"i": "gpioNr", "v": 3}, {"i": "level", "v": 1}])", true},
    {"names swapped", "OmbixGpioSetLevel", R"([{"i": "level", "v": 1}, {"i": "gpioNr", "v": 3}])", false},
    {"name in another case", "OmbixGetFanSpeed", R"([{"i": "FanNr", "v": 2}])", false},
    {"extra members are ignored", "OmbixGetFanSpeed", R"([{"x": 1, "v": 2, "i": "fanNr", "note": "ok"}])", true},
    {"a real is not an integer", "OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 2.0}])", false},
    {"true is not an integer", "OmbixGetFanSpeed", R"([{"i": "fanNr", "v": true}])", false},
    {"null is not an integer", "OmbixGetFanSpeed", R"([{"i": "fanNr", "v": null}])", false},
    {"a string is not an integer", "OmbixGetFanSpeed", R"([{"i": "fanNr", "v": "2"}])", false},
    {"missing v", "OmbixGetFanSpeed", R"([{"i": "fanNr"}])", false},
    {"missing i", "OmbixGetFanSpeed", R"([{"v": 2}])", false},
    {"i not a string", "OmbixGetFanSpeed", R"([{"i": 7, "v": 2}])", false},
    {"element not an object", "OmbixGetFanSpeed", R"([["fanNr", 2]])", false},
    {"first of two fails", "OmbixSetBacklightValue", R"([{"i": "display", "v": 0}, {"i": "backlight", "v": 5}])",
     false},
    {"last of three fails", "OmbixSetFanModeThermalCruise",
     R"([{"i": "fanNr", "v": 0}, {"i": "targetTemp", "v": 50}, {"i": "toleranceTemp", "v": "3"}])", false},
    {"texts", "OmbixPasswd", R"([{"i": "newPassword", "v": "n"}, {"i": "oldPassword", "v": "admin"}])", true},
    {"integer for a text", "OmbixPasswd", R"([{"i": "newPassword", "v": 5}, {"i": "oldPassword", "v": "admin"}])",
     false},
    {"texts swapped", "OmbixPasswd", R"([{"i": "oldPassword", "v": "admin"}, {"i": "newPassword", "v": "n"}])", false},
};
INSTANTIATE_TEST_SUITE_P(Positions, ParameterCheck, ::testing::ValuesIn(kChecks));

class IntegerRule : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    // Runs `call` with one integer parameter and returns what the API received.
    std::int64_t received(const char *call, const char *name, const std::string &value) {
        JsonPtr params = parse(std::string(R"([{"i": ")") + name + R"(", "v": )" + value + "}]");
        JsonPtr answer(ombixExecuteName(call, params.get()));
        sim::CallRecord record = sim::last_call(call);
        return record.arguments.empty() ? INT64_MIN : record.arguments[0].integer;
    }
};

TEST_F(IntegerRule, a_parameter_keeps_the_low_bits_of_its_width) {
    EXPECT_EQ(received("OmbixSetSystemState", "systemState", "4294967297"), 1);  // 2^32 + 1
    EXPECT_EQ(received("OmbixSetSystemState", "systemState", "4294967295"), -1);
    EXPECT_EQ(received("OmbixSetPerformanceState", "state", "-1"), 4294967295);
    EXPECT_EQ(received("OmbixSetCpuPerformance", "performancePercentage", "255"), -1);
    EXPECT_EQ(received("OmbixSetCpuFanSpeed", "cpuFanSpeedPwm", "300"), 44);
    EXPECT_EQ(received("OmbixSetCpuFanSpeed", "cpuFanSpeedPwm", "-1"), 255);
    EXPECT_EQ(received("OmbixSetSystemState", "systemState", "-9223372036854775807"), 1);
}

TEST(ParameterOwnership, the_parameter_list_is_neither_changed_nor_released) {
    sim::reset();
    const char *text = R"([{"i": "newPassword", "v": "n"}, {"i": "oldPassword", "v": "admin"}])";
    JsonPtr params = parse(text);
    std::size_t references = params->refcount;
    JsonPtr answer(ombixExecuteName("OmbixPasswd", params.get()));
    EXPECT_EQ(params->refcount, references);
    EXPECT_EQ(text_of(params.get()), canonical(text));
    EXPECT_EQ(sim::last_call("OmbixPasswd").arguments[0].text, "n");
}

}  // namespace
