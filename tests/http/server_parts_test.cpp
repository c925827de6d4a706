// Parts of ombixd that decide on a request before the executor sees it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "body_check.h"
#include "call_names.h"
#include "listen_address.h"
#include "token.h"

namespace {

TEST(BodyDepth, counts_arrays_and_objects_but_not_brackets_inside_texts) {
    const struct {
        const char *body;
        int depth;
    } cases[] = {
        {"", 0},
        {"5", 0},
        {"[]", 1},
        {R"([{"i": "fanNr", "v": 2}])", 2},
        {R"([{"i": "[[{{", "v": "]]"}])", 2},
        {R"([{"i": "a\"[[[", "v": 1}])", 2},
        {"[[[1]]]", 3},
        {"[][][]", 1},
        {"]]]][", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(ombixd::nesting_depth(c.body, std::strlen(c.body), 10), c.depth);
    }
}

TEST(BodyDepth, stops_at_the_limit) {
    std::string deep(100000, '[');
    EXPECT_EQ(ombixd::nesting_depth(deep.data(), deep.size(), ombixd::kMaxBodyDepth), ombixd::kMaxBodyDepth + 1);
}

TEST(Token, only_the_exact_bearer_token_is_authorized) {
    const std::string token = "abc123";
    const struct {
        const char *header;
        bool accepted;
    } cases[] = {
        {"Bearer abc123", true},
        {"Bearer abc12", false},
        {"Bearer abc1234", false},
        {"bearer abc123", false},
        {"Bearer  abc123", false},
        {"abc123", false},
        {"", false},
        {nullptr, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.header != nullptr ? c.header : "(none)");
        EXPECT_EQ(ombixd::authorized(c.header, token), c.accepted);
    }
}

TEST(ListenAddress, takes_numeric_ipv4_and_bracketed_ipv6_only) {
    const struct {
        const char *text;
        bool ok;
        bool ipv6;
    } cases[] = {
        {"127.0.0.1:8711", true, false},  {"[::1]:0", true, true},         {"0.0.0.0:80", true, false},
        {"localhost:8711", false, false}, {"127.0.0.1", false, false},     {"127.0.0.1:70000", false, false},
        {"::1:8711", false, false},       {"127.0.0.1:80x", false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        ombixd::ListenAddress address;
        std::string error;
        EXPECT_EQ(ombixd::parse_listen_address(c.text, address, error), c.ok);
        if (c.ok) {
            EXPECT_EQ(address.ipv6, c.ipv6);
        }
    }
}

TEST(CallNames, are_the_88_calls_and_nothing_near_them) {
    EXPECT_EQ(ombixd::kCallCount, 88u);
    EXPECT_TRUE(ombixd::is_call_name("OmbixGetPerformanceStateDescription"));
    EXPECT_TRUE(ombixd::is_call_name("OmbixWatchdogTrigger"));
    for (const char *near : {"OmbixGetPerformanceStateD", "ombixGetFanSpeed", "OmbixGetFanSpeed ", "Ombix", ""})
        EXPECT_FALSE(ombixd::is_call_name(near)) << near;
}

}  // namespace
