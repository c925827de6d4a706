// The dispatcher accepts exactly the 88 call names, whole and case-sensitive.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "call_names.h"
#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

using namespace ombix::test;

namespace {

// True when the dispatcher ran a wrapper for `name`. An empty array is a
// harmless parameter list: calls with parameters answer it with an error
// object, calls without run and answer with a result.
bool dispatches(const std::string &name) {
    JsonPtr params = parse("[]");
    JsonPtr answer(ombixExecuteName(name.c_str(), params.get()));
    return answer != nullptr;
}

const std::set<std::string> &call_name_set() {
    static const std::set<std::string> names(kCallNames.begin(), kCallNames.end());
    return names;
}

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override { ombix::sim::reset(); }
};

}  // namespace

TEST_F(Dispatcher, every_call_name_reaches_a_wrapper) {
    for (const char *name : kCallNames) EXPECT_TRUE(dispatches(name)) << name;
}

TEST_F(Dispatcher, near_misses_of_every_name_return_null) {
    // Each mutation either is another call name (and must dispatch) or must
    // return null: one character fewer, one more, a case flip at any position.
    for (const std::string name : kCallNames) {
        std::set<std::string> variants = {
            name.substr(0, name.size() - 1), name + "x", name + "s", name + " ", name + "D", name + "Rpm", name + "\t"};
        for (std::size_t i = 0; i < name.size(); ++i) {
            std::string flipped = name;
            char c = flipped[i];
            if (!std::isalpha(static_cast<unsigned char>(c))) continue;
            flipped[i] = std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                                     : static_cast<char>(std::toupper(c));
            variants.insert(flipped);
        }
        for (const std::string &variant : variants) {
            EXPECT_EQ(dispatches(variant), call_name_set().count(variant) == 1) << '"' << variant << '"';
        }
    }
}

TEST_F(Dispatcher, names_that_are_prefixes_of_others_are_told_apart) {
    struct Case {
        const char *name;
        bool known;
    };
    const Case cases[] = {
        {"OmbixGetPerformanceState", true},
        {"OmbixGetPerformanceStateDescription", true},
        {"OmbixGetPerformanceStateD", false},
        {"OmbixGetPerformanceStateX", false},
        {"OmbixGpioGetDirection", true},
        {"OmbixGpioGetDirectionCaps", true},
        {"OmbixGpioGetDirectionCap", false},
        {"OmbixSetCpuFanSpeed", true},
        {"OmbixSetCpuFanSpeedRpm", true},
        {"OmbixSetCpuFanSpeedR", false},
        {"OmbixSetSystemFanSpeedR", false},
        {"OmbixSetFanModeManualR", false},
        {"OmbixGetDiskDriveSMARTAttrs", true},
        {"OmbixGetDiskDriveSMARTAttr", false},
        {"OmbixGetDiskDriveSMARTAttrsX", false},
        {"ombixGetFanSpeed", false},
        {"OmbixGetFanSpeed ", false},
        {"Ombix", false},
        {"", false},
        {"OmbixPasswd", true},
        {"OmbixPassw", false},
        {"OmbixGetFanSpeed\nx", false},
    };
    for (const Case &c : cases) EXPECT_EQ(dispatches(c.name), c.known) << '"' << c.name << '"';
}

TEST_F(Dispatcher, a_null_name_returns_null) {
    JsonPtr params = parse("[]");
    EXPECT_EQ(ombixExecuteName(nullptr, params.get()), nullptr);
}

TEST_F(Dispatcher, no_wrapper_runs_for_an_unknown_name) {
    JsonPtr params = parse("[]");
    EXPECT_EQ(ombixExecuteName("OmbixWatchdogTriggerX", params.get()), nullptr);
    EXPECT_TRUE(ombix::sim::calls().empty());
}
