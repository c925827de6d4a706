// Any HTTP client reaches the board: the curl command line against ombixd.
#include <gtest/gtest.h>

#include <string>

#include "json_text.h"
#include "server_process.h"

namespace {

using ombix::test::canonical;
using ombix::test::run_command;

class CurlInterop : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.started()); }

    // curl's output, then a line with the status.
    ombix::test::CommandResult curl(const std::string &arguments) {
        return run_command("curl --noproxy '*' -s -S -w '\\n%{http_code}' " + arguments);
    }
    std::string call(const std::string &name, const std::string &body) {
        return "-X POST -H 'Content-Type: application/json' --data-binary '" + body + "' " + server.url() + "/call/" +
               name;
    }

    ombix::test::ServerProcess server;
};

struct Exchange {
    const char *call;
    const char *body;
    const char *answer;
    const char *status;
};

TEST_F(CurlInterop, curl_gets_the_documented_json_for_each_kind_of_answer) {
    const Exchange cases[] = {
        {"OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 0}])",
         R"({"ret": 0, "outs": [{"i": "pwm", "v": 128}, {"i": "rpm", "v": 2400}]})", "200"},
        {"OmbixGetBootCounter", "", R"({"ret": 0, "outs": [{"i": "bootCount", "v": 1342}]})", "200"},
        {"OmbixGetFanSpeed", R"([{"i": "fan", "v": 2}])", R"({"ret": 65543, "outs": []})", "200"},
        {"OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 9}])", R"({"ret": 2, "outs": []})", "200"},
        {"OmbixGetFanSpeed", "[]", R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 1}})",
         "400"},
        {"OmbixWatchdogTrigger", "[1]", R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 0}})", "400"},
        {"OmbixNoSuchCall", "[]", R"({"error": "unknown call"})", "404"},
    };
    for (const Exchange &exchange : cases) {
        SCOPED_TRACE(std::string(exchange.call) + " " + exchange.body);
        auto result = curl(call(exchange.call, exchange.body));
        ASSERT_EQ(result.status, 0);
        std::size_t split = result.output.rfind('\n');
        EXPECT_EQ(canonical(result.output.substr(0, split)), canonical(exchange.answer));
        EXPECT_EQ(result.output.substr(split + 1), exchange.status);
    }
}

TEST_F(CurlInterop, curl_lists_the_88_calls) {
    auto result = curl(server.url() + "/calls");
    std::size_t split = result.output.rfind('\n');
    auto names = ombix::test::parse(result.output.substr(0, split));
    ASSERT_TRUE(json_is_array(names.get())) << result.output;
    EXPECT_EQ(json_array_size(names.get()), 88u);
    EXPECT_STREQ(json_string_value(json_array_get(names.get(), 0)), "OmbixGetBoardInfo");
    EXPECT_EQ(result.output.substr(split + 1), "200");
}

TEST_F(CurlInterop, a_set_made_with_curl_is_seen_by_the_next_get) {
    auto set = curl(call("OmbixSetBacklightValue", R"([{"i": "displayNr", "v": 0}, {"i": "backlight", "v": 33}])"));
    EXPECT_EQ(canonical(set.output.substr(0, set.output.rfind('\n'))), canonical(R"({"ret": 0, "outs": []})"));
    auto get = curl(call("OmbixGetBacklightValue", R"([{"i": "displayNr", "v": 0}])"));
    EXPECT_EQ(canonical(get.output.substr(0, get.output.rfind('\n'))),
              canonical(R"({"ret": 0, "outs": [{"i": "backlight", "v": 33}]})"));
}

}  // namespace
