// A stub call end to end through the loopback transport, beside the floor:
// the jansson work any wire must do for the same call (build, dump and load
// the request and the answer).
#include <benchmark/benchmark.h>
#include <jansson.h>

#include <cstdlib>

#include "ombixRemoteCall.h"
#include "sim_control.h"

namespace {

void BM_Stub_GetFanSpeed_Loopback(benchmark::State &state) {
    ombix::sim::reset();
    ombix::sim::set_call_log(false);
    std::uint8_t pwm = 0;
    std::int32_t rpm = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(OmbixR_GetFanSpeed(1, 0, &pwm, &rpm));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Stub_GetFanSpeed_Loopback);

json_t *round_trip(json_t *value) {
    char *text = json_dumps(value, JSON_COMPACT);
    json_decref(value);
    json_t *parsed = json_loads(text, 0, nullptr);
    std::free(text);
    return parsed;
}

void BM_Floor_GetFanSpeed_JsonWork(benchmark::State &state) {
    for (auto _ : state) {
        json_t *params = json_array();
        json_array_append_new(params, json_pack("{s:s, s:o}", "i", "fanNr", "v", json_integer(0)));
        json_t *request = round_trip(json_pack("{s:s, s:o}", "call", "OmbixGetFanSpeed", "params", params));
        json_t *outs = json_array();
        json_array_append_new(outs, json_pack("{s:s, s:o}", "i", "pwm", "v", json_integer(128)));
        json_array_append_new(outs, json_pack("{s:s, s:o}", "i", "rpm", "v", json_integer(2400)));
        json_t *answer = round_trip(json_pack("{s:i, s:o}", "ret", 0, "outs", outs));
        benchmark::DoNotOptimize(request);
        benchmark::DoNotOptimize(answer);
        json_decref(request);
        json_decref(answer);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Floor_GetFanSpeed_JsonWork);

}  // namespace
