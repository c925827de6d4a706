// The ombix command against a real server: outputs, JSON, the report, and an
// exit status for every kind of failure.
#include <gtest/gtest.h>

#include <string>

#include "json_text.h"
#include "server_process.h"

namespace {

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        ASSERT_TRUE(server.started());
    }
    ombix::test::CommandResult ombix(const std::string &arguments, const std::string &url = "") {
        return ombix::test::run_command(ombix::test::ombix_path() + " --url " + (url.empty() ? server.url() : url) +
                                        " " + arguments + " 2>/dev/null");
    }
    ombix::test::ServerProcess server;
};

TEST_F(Cli, a_call_prints_its_outputs_readably_or_as_json) {
    auto readable = ombix("GetFanSpeed fanNr=0");
    EXPECT_EQ(readable.status, 0);
    EXPECT_EQ(readable.output, "pwm: 128\nrpm: 2400\n");

    auto json = ombix("--json OmbixR_GetFanSpeed fanNr=1");
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(
        ombix::test::canonical(json.output),
        ombix::test::canonical(R"({"call": "OmbixGetFanSpeed", "code": 0, "outputs": {"pwm": 96, "rpm": 1800}})"));
}

TEST_F(Cli, arguments_take_negative_hex_and_unsigned_forms) {
    EXPECT_EQ(ombix("SetBacklightValue displayNr=0x1 backlight=64").status, 0);
    EXPECT_EQ(ombix("GetBacklightValue displayNr=1").output, "backlight: 64\n");
    // -1 is no display: the board's own code, exit status 1.
    EXPECT_EQ(ombix("GetBacklightValue displayNr=-1").status, 1);
    EXPECT_EQ(ombix("SetCpuFanSpeedRpm cpuFanSpeedRpm=0xBB8").status, 0);
    EXPECT_EQ(ombix("GetCpuFanSpeed").output, "cpuFanRpm: 3000\n");
}

TEST_F(Cli, the_report_shows_the_board) {
    auto report = ombix("report");
    EXPECT_NE(report.output.find("boot counter:          1342"), std::string::npos) << report.output;
    EXPECT_NE(report.output.find("2400 rpm"), std::string::npos) << report.output;
}

TEST_F(Cli, every_failure_has_a_non_zero_exit_status) {
    const struct {
        const char *what;
        std::string arguments;
        std::string url;
        int status;
    } cases[] = {
        {"board API failure", "GetFanSpeed fanNr=9", "", 1},
        {"missing argument", "GetFanSpeed", "", 2},
        {"unknown argument", "GetFanSpeed fanNr=0 speed=3", "", 2},
        {"not an integer", "GetFanSpeed fanNr=zero", "", 2},
        {"unknown call", "GetFanSpeedy fanNr=0", "", 2},
        {"no command", "", "", 2},
        {"server down", "GetFanCount", "http://127.0.0.1:9", 1},
        {"report with the server down", "report", "http://127.0.0.1:9", 1},
        {"not a URL", "GetFanCount", "127.0.0.1:9", 1},
    };
    for (const auto &failure : cases) {
        SCOPED_TRACE(failure.what);
        EXPECT_EQ(ombix(failure.arguments, failure.url).status, failure.status);
    }
}

TEST_F(Cli, calls_lists_all_88_with_their_arguments) {
    auto calls = ombix::test::run_command(ombix::test::ombix_path() + " calls");
    EXPECT_EQ(calls.status, 0);
    EXPECT_EQ(std::count(calls.output.begin(), calls.output.end(), '\n'), 88);
    EXPECT_NE(calls.output.find("GetFanSpeed fanNr=INT  -> pwm rpm\n"), std::string::npos);
    // Each line begins with the least role that may run the call.
    EXPECT_NE(calls.output.find("\nreader   GetFanSpeed fanNr=INT"), std::string::npos);
    EXPECT_NE(calls.output.find("\nadmin    WatchdogDisable\n"), std::string::npos);
    EXPECT_NE(calls.output.find("I2cXfer i2cNr=INT i2cAddress=INT [writeData=HEX|@FILE] writeLength=INT readLength=INT "
                                " -> readData readLength\n"),
              std::string::npos);
}

}  // namespace
