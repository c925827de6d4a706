// The JSON text of the HTTP path's messages, written into a string reused
// from one message to the next, beside json_dumps (a text allocated and
// released for each message) on the same values.
#include <benchmark/benchmark.h>
#include <jansson.h>

#include <string>

#include "answer.h"
#include "json_dump.h"

namespace {

json_t *named(const char *name, json_t *value) {
    return json_pack("{s:s, s:o}", "i", name, "v", value);
}

// [{"i":"fanNr","v":0}]
json_t *fan_speed_request() {
    json_t *params = json_array();
    json_array_append_new(params, named("fanNr", json_integer(0)));
    return params;
}

// {"ret":0,"outs":[{"i":"pwm","v":128},{"i":"rpm","v":2400}]}
json_t *fan_speed_answer() {
    json_t *outs = json_array();
    json_array_append_new(outs, named("pwm", json_integer(128)));
    json_array_append_new(outs, named("rpm", json_integer(2400)));
    return json_pack("{s:i, s:o}", "ret", 0, "outs", outs);
}

// The largest legitimate body: a 262144-byte write, in base64.
json_t *largest_write_request() {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string data(349528, 'A');
    for (std::size_t k = 0; k < data.size(); ++k) data[k] = alphabet[(k * 7919) % 64];
    json_t *params = json_array();
    json_array_append_new(params, named("storageNr", json_integer(1)));
    json_array_append_new(params, named("offset", json_integer(0)));
    json_array_append_new(params, named("data", json_stringn(data.data(), data.size())));
    json_array_append_new(params, named("dataLength", json_integer(262144)));
    return params;
}

void append_json(benchmark::State &state, json_t *(*make)()) {
    json_t *value = make();
    std::string out;
    for (auto _ : state) {
        out.clear();
        if (!ombix::transport::append_json(value, out)) state.SkipWithError("not encoded");
        benchmark::DoNotOptimize(out.data());
    }
    json_decref(value);
}

void dumps(benchmark::State &state, json_t *(*make)()) {
    json_t *value = make();
    for (auto _ : state) {
        char *text = json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY);
        if (text == nullptr) state.SkipWithError("not encoded");
        benchmark::DoNotOptimize(text);
        ombix::transport::release_text(text);
    }
    json_decref(value);
}

BENCHMARK_CAPTURE(append_json, fan_speed_request, fan_speed_request);
BENCHMARK_CAPTURE(dumps, fan_speed_request, fan_speed_request);
BENCHMARK_CAPTURE(append_json, fan_speed_answer, fan_speed_answer);
BENCHMARK_CAPTURE(dumps, fan_speed_answer, fan_speed_answer);
BENCHMARK_CAPTURE(append_json, largest_write_request, largest_write_request);
BENCHMARK_CAPTURE(dumps, largest_write_request, largest_write_request);

}  // namespace
