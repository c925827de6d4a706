// ombixExecuteName against its floor: the same answer built directly with
// jansson, and the name lookup against a std::unordered_map.
#include <benchmark/benchmark.h>
#include <jansson.h>

#include <string>
#include <unordered_map>

#include "call_index.h"
#include "call_names.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

namespace {

json_t *fan_speed_params() {
    return json_loads(R"([{"i": "fanNr", "v": 0}])", 0, nullptr);
}

void silence_board() {
    ombix::sim::reset();
    ombix::sim::set_call_log(false);
}

void BM_Execute_ZeroParameterCall(benchmark::State &state) {
    silence_board();
    for (auto _ : state) {
        json_t *answer = ombixExecuteName("OmbixGetBootCounter", nullptr);
        benchmark::DoNotOptimize(answer);
        json_decref(answer);
    }
}
BENCHMARK(BM_Execute_ZeroParameterCall);

void BM_Floor_ZeroParameterAnswer(benchmark::State &state) {
    for (auto _ : state) {
        json_t *outs = json_array();
        json_array_append_new(outs, json_pack("{s:s, s:o}", "i", "bootCount", "v", json_integer(1342)));
        json_t *answer = json_pack("{s:i, s:o}", "ret", 0, "outs", outs);
        benchmark::DoNotOptimize(answer);
        json_decref(answer);
    }
}
BENCHMARK(BM_Floor_ZeroParameterAnswer);

void BM_Execute_GetFanSpeed(benchmark::State &state) {
    silence_board();
    json_t *params = fan_speed_params();
    for (auto _ : state) {
        json_t *answer = ombixExecuteName("OmbixGetFanSpeed", params);
        benchmark::DoNotOptimize(answer);
        json_decref(answer);
    }
    json_decref(params);
}
BENCHMARK(BM_Execute_GetFanSpeed);

// What any executor must do for the same call: read the parameter, build the
// two named values and the result object.
void BM_Floor_GetFanSpeedAnswer(benchmark::State &state) {
    json_t *params = fan_speed_params();
    for (auto _ : state) {
        json_t *element = json_array_get(params, 0);
        json_int_t fan = json_integer_value(json_object_get(element, "v"));
        benchmark::DoNotOptimize(json_string_value(json_object_get(element, "i")));
        json_t *outs = json_array();
        json_array_append_new(outs, json_pack("{s:s, s:o}", "i", "pwm", "v", json_integer(128 + fan)));
        json_array_append_new(outs, json_pack("{s:s, s:o}", "i", "rpm", "v", json_integer(2400)));
        json_t *answer = json_pack("{s:i, s:o}", "ret", 0, "outs", outs);
        benchmark::DoNotOptimize(answer);
        json_decref(answer);
    }
    json_decref(params);
}
BENCHMARK(BM_Floor_GetFanSpeedAnswer);

void BM_Execute_UnknownName(benchmark::State &state) {
    json_t *params = fan_speed_params();
    for (auto _ : state) benchmark::DoNotOptimize(ombixExecuteName("OmbixGetFanSpeeds", params));
    json_decref(params);
}
BENCHMARK(BM_Execute_UnknownName);

// The lookup alone, over the same names and with the same index code as the
// dispatcher, and a std::unordered_map lookup of the same names.
struct Entry {
    const char *name;
    std::size_t length;
};

template <std::size_t... I>
constexpr std::array<Entry, sizeof...(I)> make_entries(std::index_sequence<I...>) {
    return {{{ombix::test::kCallNames[I], ombix::server::name_length(ombix::test::kCallNames[I])}...}};
}
constexpr auto kEntryArray = make_entries(std::make_index_sequence<ombix::test::kCallNames.size()>{});
constexpr Entry kEntries[] = {
#define E(i) kEntryArray[i]
    E(0),  E(1),  E(2),  E(3),  E(4),  E(5),  E(6),  E(7),  E(8),  E(9),  E(10), E(11), E(12), E(13), E(14),
    E(15), E(16), E(17), E(18), E(19), E(20), E(21), E(22), E(23), E(24), E(25), E(26), E(27), E(28), E(29),
    E(30), E(31), E(32), E(33), E(34), E(35), E(36), E(37), E(38), E(39), E(40), E(41), E(42), E(43), E(44),
    E(45), E(46), E(47), E(48), E(49), E(50), E(51), E(52), E(53), E(54), E(55), E(56), E(57), E(58), E(59),
    E(60), E(61), E(62), E(63), E(64), E(65), E(66), E(67), E(68), E(69), E(70), E(71), E(72), E(73), E(74),
    E(75), E(76), E(77), E(78), E(79), E(80), E(81), E(82), E(83), E(84), E(85), E(86), E(87),
#undef E
};
constexpr ombix::server::CallIndex kIndex = ombix::server::build_index(kEntries);

void BM_Lookup_CallIndex(benchmark::State &state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ombix::server::find_call(kEntries, kIndex, ombix::test::kCallNames[i]));
        i = (i + 1) % ombix::test::kCallNames.size();
    }
}
BENCHMARK(BM_Lookup_CallIndex);

using Wrapper = json_t *(*)(json_t *);

std::unordered_map<std::string, Wrapper> make_map() {
    std::unordered_map<std::string, Wrapper> map;
    for (const char *name : ombix::test::kCallNames) map.emplace(name, nullptr);
    return map;
}

// The caller holds a C string, as ombixExecuteName's callers do.
void BM_Lookup_UnorderedMapFromCString(benchmark::State &state) {
    auto map = make_map();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.find(ombix::test::kCallNames[i]));
        i = (i + 1) % ombix::test::kCallNames.size();
    }
}
BENCHMARK(BM_Lookup_UnorderedMapFromCString);

// The map's best case: keys already held as std::string.
void BM_Lookup_UnorderedMapPreparedKey(benchmark::State &state) {
    auto map = make_map();
    std::vector<std::string> keys(ombix::test::kCallNames.begin(), ombix::test::kCallNames.end());
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.find(keys[i]));
        i = (i + 1) % keys.size();
    }
}
BENCHMARK(BM_Lookup_UnorderedMapPreparedKey);

}  // namespace
