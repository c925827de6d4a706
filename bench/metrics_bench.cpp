// One /metrics scrape of the simulated board beside its floor in the same
// run: the same local API calls made directly and the same numbers written
// as exposition lines with snprintf. And the latency of OmbixR_GetFanSpeed
// over HTTP while a scraper hits /metrics every second, beside the same calls
// without it (p50 and p99 as counters).
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "listen_address.h"
#include "metrics_endpoint.h"
#include "ombixRemoteCall.h"
#include "ombix_api.h"
#include "ombix_http_transport.h"
#include "server.h"
#include "sim_control.h"

namespace {

void line(std::string &out, const char *series, const std::string &labels, double value) {
    char text[256];
    int n = std::snprintf(text, sizeof text, "%s%s %.17g\n", series, labels.c_str(), value);
    out.append(text, static_cast<std::size_t>(n));
}

std::string labelled(const char *key, int number, const char *name) {
    std::string labels = "{";
    labels += key;
    labels += "=\"" + std::to_string(number) + "\"";
    if (name != nullptr) labels += std::string(",name=\"") + name + "\"";
    return labels + "}";
}

// The floor: every read the scrape makes, straight into the board, and its lines.
std::string direct_scrape() {
    std::string out;
    int32_t i32 = 0;
    uint32_t u32 = 0;
    int8_t i8 = 0;
    OmbixSystemUpTime(0, &i32);
    line(out, "ombix_up_time_seconds", "", i32);
    OmbixGetBootCounter(0, &i32);
    line(out, "ombix_boots_total", "", i32);
    OmbixGetIntruderStatus(0, &i32);
    line(out, "ombix_intruder_detected", "", i32);
    OmbixGetPerformanceState(0, &u32);
    line(out, "ombix_performance_state", "", u32);
    OmbixGetCpuPerformance(0, &i8);
    line(out, "ombix_cpu_performance_ratio", "", i8 * 0.01);
    OmbixWatchdogGetCap(0, &i32);
    line(out, "ombix_watchdog_max_timeout_seconds", "", i32);
    CPU_INFO cpu{};
    OmbixGetCpuInfo(0, &cpu);
    for (int n = 0; n < cpu.cpuCount; ++n) {
        OmbixGetCpuTemp(0, n, &i32);
        line(out, "ombix_cpu_temperature_celsius", labelled("cpu", n, nullptr), i32);
    }
    OmbixGetChipsetTemp(0, &i32);
    line(out, "ombix_chipset_temperature_celsius", "", i32);
    OmbixGetSystemTemp(0, &i32);
    line(out, "ombix_system_temperature_celsius", "", i32);
    SENSOR_VALUE sensors[16];
    int32_t count = 0;
    OmbixGetTempSensorCount(0, &count);
    OmbixGetTempSensorList(0, sensors, count);
    for (int n = 0; n < count; ++n)
        line(out, "ombix_temperature_celsius", labelled("sensor", n, sensors[n].name), sensors[n].value);
    OmbixGetVoltageSensorCount(0, &count);
    OmbixGetVoltageSensorList(0, sensors, count);
    for (int n = 0; n < count; ++n)
        line(out, "ombix_voltage_volts", labelled("sensor", n, sensors[n].name), sensors[n].value * 0.001);
    FAN_INFO fans[16];
    OmbixGetFanCount(0, &count);
    OmbixGetFanList(0, fans, count);
    for (int n = 0; n < count; ++n) {
        uint8_t pwm = 0, mode = 0;
        OmbixGetFanSpeed(0, n, &pwm, &i32);
        OmbixGetFanMode(0, n, &mode);
        line(out, "ombix_fan_speed_rpm", labelled("fan", n, fans[n].name), i32);
        line(out, "ombix_fan_pwm", labelled("fan", n, fans[n].name), pwm);
        line(out, "ombix_fan_mode", labelled("fan", n, fans[n].name), mode);
    }
    OmbixGetBatteryCount(0, &i8);
    for (int n = 0; n < i8; ++n) {
        BATTERY_INFO info{};
        BATTERY_STATE state{};
        OmbixGetBatteryInfo(0, static_cast<int8_t>(n), &info);
        OmbixGetBatteryState(0, static_cast<int8_t>(n), &state);
        std::string labels = labelled("battery", n, info.deviceName);
        line(out, "ombix_battery_voltage_volts", labels, state.currentVoltage * 0.001);
        line(out, "ombix_battery_remaining_capacity_joules", labels, state.remainingCapacity * 3.6);
        line(out, "ombix_battery_full_capacity_joules", labels, info.fullyChargedCapacity * 3.6);
        line(out, "ombix_battery_charge_ratio", labels,
             static_cast<double>(state.remainingCapacity) / info.fullyChargedCapacity);
        line(out, "ombix_battery_remaining_time_seconds", labels, state.remainingTime * 60.0);
        line(out, "ombix_battery_charge_state", labels, state.chargeState);
    }
    OmbixGpioGetCount(0, &u32);
    for (uint32_t n = 0; n < u32; ++n) {
        uint8_t level = 0;
        OmbixGpioGetLevel(0, n, &level);
        line(out, "ombix_gpio_level", labelled("line", static_cast<int>(n), nullptr), level);
    }
    return out;
}

void BM_ScrapeFloor_DirectCallsAndLines(benchmark::State &state) {
    ombix::sim::set_call_log(false);
    for (auto _ : state) benchmark::DoNotOptimize(direct_scrape());
}
BENCHMARK(BM_ScrapeFloor_DirectCallsAndLines);

void BM_Scrape_MetricsEndpoint(benchmark::State &state) {
    ombix::sim::set_call_log(false);
    for (auto _ : state) benchmark::DoNotOptimize(ombixd::scrape());
}
BENCHMARK(BM_Scrape_MetricsEndpoint);

std::size_t discard(char *, std::size_t size, std::size_t count, void *) {
    return size * count;
}

// GetFanSpeed calls over HTTP for two seconds, with (1) or without (0) a
// scrape of /metrics every second on another connection.
void BM_GetFanSpeedLatency(benchmark::State &state) {
    const bool scraping = state.range(0) != 0;
    ombix::sim::set_call_log(false);
    ombixd::ServerSettings settings;
    std::string error;
    ombixd::parse_listen_address("127.0.0.1:0", settings.address, error);
    settings.threads = 2;
    ombixd::Server *server = ombixd::start_server(settings, error);
    const std::string url = "http://127.0.0.1:" + std::to_string(ombixd::server_port(server));
    OMBIX_HTTP_OPTIONS options{url.c_str(), nullptr, 5000, nullptr};
    int32_t handle = 0;
    OmbixHttpOpen(&options, &handle);

    std::atomic<bool> done{false};
    std::thread scraper;
    if (scraping) {
        scraper = std::thread([&] {
            CURL *curl = curl_easy_init();
            const std::string metrics = url + "/metrics";
            curl_easy_setopt(curl, CURLOPT_URL, metrics.c_str());
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
            while (!done) {
                curl_easy_perform(curl);
                for (int k = 0; k < 100 && !done; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            curl_easy_cleanup(curl);
        });
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            uint8_t pwm = 0;
            int32_t rpm = 0;
            const auto started = std::chrono::steady_clock::now();
            OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm);
            latencies.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count());
        }
    }
    done = true;
    if (scraper.joinable()) scraper.join();
    OmbixHttpClose(handle);
    ombixd::stop_server(server);
    std::sort(latencies.begin(), latencies.end());
    state.counters["calls"] = static_cast<double>(latencies.size());
    state.counters["p50_us"] = latencies[latencies.size() / 2];
    state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
}
BENCHMARK(BM_GetFanSpeedLatency)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
