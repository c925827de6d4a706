// How the command-line client reads its arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arguments.h"
#include "call_runner.h"

namespace {

using ombix::cli::parse_bytes;
using ombix::cli::parse_integer;

TEST(CliIntegers, take_decimal_negative_and_hex_forms) {
    const struct {
        const char *text;
        bool ok;
        long long value;
    } cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"-1", true, -1},
        {"0xff", true, 255},
        {"4294967295", true, 4294967295LL},
        {"0xFFFFFFFF", true, 0xFFFFFFFFLL},
        {"", false, 0},
        {"12a", false, 0},
        {"zero", false, 0},
        {"1.5", false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        long long value = 0;
        EXPECT_EQ(parse_integer(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(CliBytes, take_hex_with_or_without_separators) {
    const struct {
        const char *text;
        bool ok;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"", true, {}},
        {"0a0B", true, {0x0a, 0x0b}},
        {"0x00ff", true, {0x00, 0xff}},
        {"de:ad be", true, {0xde, 0xad, 0xbe}},
        {"abc", false, {}},
        {"zz", false, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned char> bytes;
        std::string error;
        EXPECT_EQ(parse_bytes(c.text, bytes, error), c.ok);
        if (c.ok) {
            EXPECT_EQ(bytes, c.bytes);
        }
    }
    std::vector<unsigned char> bytes;
    std::string error;
    EXPECT_FALSE(parse_bytes("@/nonexistent/file", bytes, error));
    EXPECT_NE(error, "");
}

TEST(CliCalls, are_found_by_any_of_their_names) {
    for (const char *name : {"GetFanSpeed", "OmbixGetFanSpeed", "OmbixR_GetFanSpeed"}) {
        const ombix::calls::CallDescription *call = ombix::cli::find_call(name);
        ASSERT_NE(call, nullptr) << name;
        EXPECT_STREQ(call->name, "OmbixGetFanSpeed");
    }
    EXPECT_EQ(ombix::cli::find_call("GetFanSpeedy"), nullptr);
    EXPECT_EQ(ombix::cli::find_call("Ombix"), nullptr);
}

TEST(CliCalls, a_call_with_missing_or_unknown_arguments_does_not_run) {
    const ombix::calls::CallDescription *call = ombix::cli::find_call("GetFanSpeed");
    ASSERT_NE(call, nullptr);
    // Handle 0 names no connection: had the call run, the code would say so.
    auto missing = ombix::cli::run_call(*call, 0, {});
    EXPECT_FALSE(missing.ran);
    EXPECT_EQ(missing.error, "missing argument fanNr=INT");
    auto unknown = ombix::cli::run_call(*call, 0, {{"fanNr", "0"}, {"fan", "1"}});
    EXPECT_FALSE(unknown.ran);
    EXPECT_EQ(unknown.error, "the call has no argument fan");
    auto too_many = ombix::cli::run_call(*ombix::cli::find_call("GetFanList"), 0, {{"fanCount", "70000"}});
    EXPECT_FALSE(too_many.ran);
}

}  // namespace
