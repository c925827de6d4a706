// A scrape in process, against the simulated board: a board that fails a
// call or answers slowly still gets its scrape answered, with the failure
// counted; and board files that cannot be used leave the board as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "api_lock.h"
#include "exposition_text.h"
#include "metrics_endpoint.h"
#include "ombixLocalWrap.h"
#include "ombix_api.h"
#include "request_handler.h"
#include "sim_board_file.h"
#include "sim_control.h"

namespace {

std::map<std::string, double> scraped() {
    ombixd::Answer answer = ombixd::scrape();
    EXPECT_EQ(answer.status, 200u);
    EXPECT_STREQ(answer.content_type, ombixd::kExpositionType);
    return ombix::test::samples(answer.body);
}

class Scrape : public ::testing::Test {
protected:
    void SetUp() override { ombix::sim::reset(); }
    void TearDown() override {
        ombix::sim::reset();
        ombixd::use_local_api(ombixd::linked_local_api());
        ombixd::use_metrics_settings(ombixd::MetricsSettings{});
    }
};

TEST_F(Scrape, a_call_the_board_fails_leaves_out_its_series_and_is_counted) {
    const std::string failures = "ombix_board_read_failures_total{call=\"OmbixGetFanSpeed\"}";
    const double before = scraped()[failures];
    ombix::sim::force_code("OmbixGetFanSpeed", ombix::sim::kNoDevice);
    auto all = scraped();
    EXPECT_EQ(ombix::test::count_series(all, "ombix_fan_speed_rpm{"), 0u);
    EXPECT_EQ(ombix::test::count_series(all, "ombix_fan_mode{"), 3u);  // read by another call
    EXPECT_EQ(all[failures], before + 3);                              // once per fan
    EXPECT_EQ(all.count("ombix_up_time_seconds"), 1u);
}

TEST_F(Scrape, a_board_without_a_group_has_none_of_its_series) {
    ombix::sim::board().batteryCount = 0;
    ombix::sim::board().gpio.clear();
    auto all = scraped();
    EXPECT_EQ(ombix::test::count_series(all, "ombix_battery_"), 0u);
    EXPECT_EQ(ombix::test::count_series(all, "ombix_gpio_"), 0u);
    EXPECT_EQ(ombix::test::count_series(all, "ombix_fan_speed_rpm{"), 3u);
}

TEST_F(Scrape, names_from_the_board_are_escaped_and_kept_to_utf8) {
    ombix::sim::board().tempSensors[0].name = "CPU \"die\" \\ 1\n\xff\xc3\xa9";
    ombixd::Answer answer = ombixd::scrape();
    EXPECT_NE(
        answer.body.find("ombix_temperature_celsius{sensor=\"0\",name=\"CPU \\\"die\\\" \\\\ 1\\n?\xc3\xa9\"} 52\n"),
        std::string::npos)
        << answer.body;
}

// A board whose first reads take 60 ms each: a slow bus, a stuck sensor.
int32_t slow_up_time(int32_t handle, int32_t *seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    return OmbixSystemUpTime(handle, seconds);
}
int32_t slow_boot_counter(int32_t handle, int32_t *count) {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    return OmbixGetBootCounter(handle, count);
}
void *slow_board(const char *name) {
    if (std::string(name) == "OmbixSystemUpTime") return reinterpret_cast<void *>(&slow_up_time);
    if (std::string(name) == "OmbixGetBootCounter") return reinterpret_cast<void *>(&slow_boot_counter);
    return ombixd::linked_local_api().board_function(name);
}

TEST_F(Scrape, a_slow_board_is_read_until_the_deadline_and_the_scrape_is_answered) {
    const double cut_before = scraped()["ombix_board_read_deadline_exceeded_total"];
    ombixd::LocalApi api = ombixd::linked_local_api();
    api.board_function = slow_board;
    ombixd::use_local_api(api);
    ombixd::MetricsSettings settings;
    settings.deadline_s = 0.1;
    ombixd::use_metrics_settings(settings);
    const auto started = std::chrono::steady_clock::now();
    auto all = scraped();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::milliseconds(300));  // the deadline and the one call under way
    EXPECT_EQ(all.count("ombix_up_time_seconds"), 1u);
    EXPECT_EQ(all.count("ombix_boots_total"), 1u);  // begun before the deadline, waited for
    EXPECT_EQ(ombix::test::count_series(all, "ombix_gpio_level{"), 0u);
    EXPECT_EQ(all["ombix_board_read_deadline_exceeded_total"], cut_before + 1);
}

TEST_F(Scrape, calls_are_counted_by_name_and_code) {
    const std::string ok = "ombix_calls_total{call=\"OmbixGetFanMode\",code=\"0\"}";
    const std::string no_device = "ombix_calls_total{call=\"OmbixGetFanMode\",code=\"2\"}";
    const std::string unanswered = "ombix_calls_total{call=\"OmbixGetFanMode\",code=\"none\"}";
    auto before = scraped();
    ombixd::run_call("OmbixGetFanMode", R"([{"i":"fanNr","v":0}])");
    ombixd::run_call("OmbixGetFanMode", R"([{"i":"fanNr","v":9}])");
    ombixd::run_call("OmbixGetFanMode", "[1, 2]");  // the wrong length: an error object, no code
    auto after = scraped();
    EXPECT_EQ(after[ok], before[ok] + 1);
    EXPECT_EQ(after[no_device], before[no_device] + 1);
    EXPECT_EQ(after[unanswered], before[unanswered] + 1);
    EXPECT_EQ(after["ombix_call_duration_seconds_count{call=\"OmbixGetFanMode\"}"],
              before["ombix_call_duration_seconds_count{call=\"OmbixGetFanMode\"}"] + 3);
}

std::string board_file(const std::string &content) {
    std::string path = ::testing::TempDir() + "ombix-board-file.json";
    std::ofstream(path) << content;
    return path;
}

TEST_F(Scrape, a_board_file_changes_the_board_and_one_that_cannot_be_used_changes_nothing) {
    const struct {
        const char *content;
        const char *message;  // null: applied
    } cases[] = {
        {"{\"cpuTemps\": [", "is not usable"},
        {R"({"cpuTemp": [70]})", "cpuTemp: unknown member"},
        {R"({"fans": [{"name": "A", "pwm": 256}]})", "fans[0].pwm: out of range"},
        {R"({"tempSensors": [{"name": 5}]})", "tempSensors[0].name: not a text"},
        {R"({"cpuTemps": 70})", "cpuTemps: not an array"},
        {R"({"bootCount": 1, "bootCount": 2})", "is not usable"},
        {R"([1])", "the board: not an object"},
        {R"({"cpuTemps": [70], "fans": [{"name": "A", "pwm": 9, "rpm": 0}],
             "batteries": [{"deviceName": "B", "fullyChargedCapacity": 1000, "remainingCapacity": 100}]})",
         nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.content);
        ombix::sim::reset();
        std::string error;
        bool applied = ombixd::apply_sim_board_file(board_file(c.content), error);
        auto all = scraped();
        if (c.message != nullptr) {
            EXPECT_FALSE(applied);
            EXPECT_NE(error.find(c.message), std::string::npos) << error;
            EXPECT_EQ(all["ombix_cpu_temperature_celsius{cpu=\"0\"}"], 52);
            EXPECT_EQ(ombix::test::count_series(all, "ombix_fan_pwm{"), 3u);
        } else {
            EXPECT_TRUE(applied) << error;
            EXPECT_EQ(all["ombix_cpu_temperature_celsius{cpu=\"0\"}"], 70);
            EXPECT_EQ((all["ombix_fan_pwm{fan=\"0\",name=\"A\"}"]), 9);
            EXPECT_EQ((all["ombix_fan_speed_rpm{fan=\"0\",name=\"A\"}"]), 0);
            EXPECT_DOUBLE_EQ((all["ombix_battery_charge_ratio{battery=\"0\",name=\"B\"}"]), 0.1);
        }
    }
}

}  // namespace
