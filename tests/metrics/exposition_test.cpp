// GET /metrics of a real ombixd on the simulated board: promtool accepts the
// exposition, every value in it is what the same board answers to the calls
// over the API, and the token rule of /metrics is the one configured.
#include <gtest/gtest.h>
#include <jansson.h>

#include <string>

#include "exposition_text.h"
#include "server_process.h"

namespace {

using ombix::test::CommandResult;
using ombix::test::run_command;
using ombix::test::ServerProcess;

std::string scrape(const ServerProcess &server, const std::string &header = "") {
    return run_command("curl -sf " + header + " " + server.url() + "/metrics").output;
}

// An output of `call` over the API: the integer output `output`, or the field
// `field` of its record output.
double answered(const ServerProcess &server, const char *call, const char *params, const char *output,
                const char *field) {
    CommandResult result =
        run_command("curl -sf -X POST --data '" + std::string(params) + "' " + server.url() + "/call/" + call);
    json_t *answer = json_loads(result.output.c_str(), 0, nullptr);
    double value = -1e9;
    std::size_t k;
    json_t *named;
    json_array_foreach(json_object_get(answer, "outs"), k, named) {
        if (std::string(json_string_value(json_object_get(named, "i"))) != output) continue;
        json_t *v = json_object_get(named, "v");
        if (field != nullptr) {
            std::size_t j;
            json_t *member;
            json_array_foreach(v, j, member) {
                if (std::string(json_string_value(json_object_get(member, "i"))) == field)
                    value = static_cast<double>(json_integer_value(json_object_get(member, "v")));
            }
        } else {
            value = static_cast<double>(json_integer_value(v));
        }
    }
    json_decref(answer);
    return value;
}

TEST(Exposition, promtool_accepts_it_and_its_values_are_what_the_calls_answer) {
    ombix::test::bypass_proxies();
    ServerProcess server;
    ASSERT_TRUE(server.started());
    // A call first, so that the server's own families have series too.
    run_command("curl -sf -X POST " + server.url() + "/call/OmbixGetBootCounter");
    std::string text = scrape(server);
    std::string dir = ombix::test::make_temp_directory();
    ombix::test::write_file(dir + "/metrics.txt", text);
    CommandResult lint = run_command("promtool check metrics < " + dir + "/metrics.txt 2>&1");
    ombix::test::remove_directory(dir);
    EXPECT_EQ(lint.status, 0) << lint.output;

    auto all = ombix::test::samples(text);
    // Each value beside a call other than the one the scrape made where there
    // is one (a sensor's own value against the list), in base units.
    const struct {
        const char *series;
        const char *call;
        const char *params;
        const char *output;
        const char *field;  // of a record output
        double scale;
    } cases[] = {
        {"ombix_up_time_seconds", "OmbixSystemUpTime", "", "systemUpTime", nullptr, 1},
        {"ombix_boots_total", "OmbixGetBootCounter", "", "bootCount", nullptr, 1},
        {"ombix_intruder_detected", "OmbixGetIntruderStatus", "", "intruderStatus", nullptr, 1},
        {"ombix_performance_state", "OmbixGetPerformanceState", "", "state", nullptr, 1},
        {"ombix_watchdog_max_timeout_seconds", "OmbixWatchdogGetCap", "", "maxTimeout", nullptr, 1},
        {"ombix_cpu_performance_ratio", "OmbixGetCpuPerformance", "", "performancePercentage", nullptr, 0.01},
        {"ombix_cpu_temperature_celsius{cpu=\"0\"}", "OmbixGetCpuTemp", R"([{"i":"cpuNr","v":0}])", "cpuTemp", nullptr,
         1},
        {"ombix_chipset_temperature_celsius", "OmbixGetChipsetTemp", "", "chipsetTemp", nullptr, 1},
        {"ombix_temperature_celsius{sensor=\"3\",name=\"DIMM\"}", "OmbixGetTempSensorValue",
         R"([{"i":"tempSensorNr","v":3}])", "tempSensorValue", nullptr, 1},
        {"ombix_voltage_volts{sensor=\"1\",name=\"3.3V\"}", "OmbixGetVoltageSensorValue",
         R"([{"i":"voltageSensorNr","v":1}])", "voltageSensorValue", nullptr, 0.001},
        {"ombix_fan_speed_rpm{fan=\"1\",name=\"System fan\"}", "OmbixGetFanSpeed", R"([{"i":"fanNr","v":1}])", "rpm",
         nullptr, 1},
        {"ombix_fan_pwm{fan=\"2\",name=\"Chassis fan\"}", "OmbixGetFanSpeed", R"([{"i":"fanNr","v":2}])", "pwm",
         nullptr, 1},
        {"ombix_fan_mode{fan=\"2\",name=\"Chassis fan\"}", "OmbixGetFanMode", R"([{"i":"fanNr","v":2}])", "fanMode",
         nullptr, 1},
        {"ombix_battery_voltage_volts{battery=\"0\",name=\"Main battery\"}", "OmbixGetBatteryState",
         R"([{"i":"slotNr","v":0}])", "batteryState", "currentVoltage", 0.001},
        {"ombix_battery_remaining_capacity_joules{battery=\"1\",name=\"Backup battery\"}", "OmbixGetBatteryState",
         R"([{"i":"slotNr","v":1}])", "batteryState", "remainingCapacity", 3.6},
        {"ombix_battery_remaining_time_seconds{battery=\"0\",name=\"Main battery\"}", "OmbixGetBatteryState",
         R"([{"i":"slotNr","v":0}])", "batteryState", "remainingTime", 60},
        {"ombix_gpio_level{line=\"5\"}", "OmbixGpioGetLevel", R"([{"i":"gpioNr","v":5}])", "level", nullptr, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.series);
        ASSERT_EQ(all.count(c.series), 1u) << text;
        EXPECT_DOUBLE_EQ(all[c.series], answered(server, c.call, c.params, c.output, c.field) * c.scale);
    }
    // Every sensor, fan, battery and line, none twice.
    EXPECT_EQ(ombix::test::count_series(all, "ombix_temperature_celsius{"), 4u);
    EXPECT_EQ(ombix::test::count_series(all, "ombix_voltage_volts{"), 5u);
    EXPECT_EQ(ombix::test::count_series(all, "ombix_fan_speed_rpm{"), 3u);
    EXPECT_EQ(ombix::test::count_series(all, "ombix_battery_charge_ratio{"), 2u);
    EXPECT_EQ(ombix::test::count_series(all, "ombix_gpio_level{"), 8u);
    EXPECT_EQ(all["ombix_calls_total{call=\"OmbixGetBootCounter\",code=\"0\"}"], 1);
    EXPECT_EQ(all["ombix_build_info{version=\"1.0.0\"}"], 1);
    EXPECT_GE(all["ombix_connections_open"], 1);  // the scrape's own, and earlier ones not yet seen closed
}

TEST(Exposition, metrics_take_the_calls_token_their_own_or_none_as_configured) {
    ombix::test::bypass_proxies();
    std::string dir = ombix::test::make_temp_directory();
    ombix::test::write_file(dir + "/calls.token", "calls-secret\n");
    ombix::test::write_file(dir + "/metrics.token", "metrics-secret\n");
    const std::string calls = "-H 'Authorization: Bearer calls-secret'";
    const std::string metrics = "-H 'Authorization: Bearer metrics-secret'";
    const struct {
        const char *rule;
        std::vector<std::string> options;
        std::string metrics_header;  // accepted at /metrics
        std::string refused_header;  // refused at /metrics
    } cases[] = {
        {"the calls' token", {"--token-file", dir + "/calls.token"}, calls, ""},
        {"a token of its own",
         {"--token-file", dir + "/calls.token", "--metrics-token-file", dir + "/metrics.token"},
         metrics,
         calls},
        {"no token", {"--token-file", dir + "/calls.token", "--metrics-token-file", "none"}, "", metrics + "x"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rule);
        ServerProcess server(c.options);
        ASSERT_TRUE(server.started());
        auto status = [&](const std::string &header, const char *path) {
            return run_command("curl -s -o /dev/null -w '%{http_code}' " + header + " " + server.url() + path).output;
        };
        EXPECT_EQ(status(c.metrics_header, "/metrics"), "200");
        if (std::string(c.rule) != "no token") {
            EXPECT_EQ(status(c.refused_header, "/metrics"), "401");
        }
        // The calls keep their own token whatever /metrics takes.
        EXPECT_EQ(status(c.metrics_header == calls ? "" : c.metrics_header, "/calls"), "401");
        EXPECT_EQ(status(calls, "/calls"), "200");
        auto all = ombix::test::samples(scrape(server, c.metrics_header));
        EXPECT_GE(all["ombix_authentication_refusals_total{endpoint=\"calls\"}"], 1);
    }
    ombix::test::remove_directory(dir);
}

}  // namespace
