// A 262144-byte storage write and read, each end to end through the loopback
// transport, beside the floor measured in the same run: one base64 encode
// plus decode of the same bytes, and the JSON dump and load of the same
// request and answer messages. Compare the MB/s of each call with its floor.
#include <benchmark/benchmark.h>
#include <jansson.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base64.h"
#include "ombixRemoteCall.h"
#include "sim_control.h"

namespace {

constexpr std::int32_t kBytes = OMBIX_MAX_TRANSFER_BYTES;

std::vector<std::uint8_t> pattern() {
    std::vector<std::uint8_t> bytes(kBytes);
    std::uint32_t state = 12345;
    for (auto &byte : bytes) byte = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    return bytes;
}

void prepare_board() {
    ombix::sim::reset();
    ombix::sim::set_call_log(false);
}

void BM_StorageWrite_262144_Loopback(benchmark::State &state) {
    prepare_board();
    std::vector<std::uint8_t> bytes = pattern();
    for (auto _ : state) {
        if (OmbixR_StorageWrite(1, 0, 0, bytes.data(), kBytes) != 0) state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_StorageWrite_262144_Loopback)->Unit(benchmark::kMicrosecond);

void BM_StorageRead_262144_Loopback(benchmark::State &state) {
    prepare_board();
    std::vector<std::uint8_t> bytes = pattern();
    OmbixR_StorageWrite(1, 0, 0, bytes.data(), kBytes);
    std::vector<std::uint8_t> read(kBytes);
    for (auto _ : state) {
        if (OmbixR_StorageRead(1, 0, 0, read.data(), kBytes) != 0) state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_StorageRead_262144_Loopback)->Unit(benchmark::kMicrosecond);

// Dumps a message to text and loads it back, as any wire must. Takes over `message`.
json_t *through_text(json_t *message) {
    char *text = json_dumps(message, JSON_COMPACT);
    json_decref(message);
    json_t *loaded = json_loads(text, 0, nullptr);
    std::free(text);
    return loaded;
}

json_t *named(const char *name, json_t *value) {
    return json_pack("{s:s, s:o}", "i", name, "v", value);
}

// The floor of one call: encode the bytes, carry the request and the answer
// as text, decode the bytes where they arrive.
void floor_of(benchmark::State &state, bool bytes_in_request) {
    std::vector<std::uint8_t> bytes = pattern();
    std::vector<std::uint8_t> decoded(kBytes);
    for (auto _ : state) {
        json_t *text = ombix::encodeBase64(bytes.data(), kBytes);
        json_t *params = json_array();
        json_array_append_new(params, named("storageNr", json_integer(0)));
        json_array_append_new(params, named("offset", json_integer(0)));
        if (bytes_in_request) json_array_append_new(params, named("data", json_incref(text)));
        json_array_append_new(params, named("dataLength", json_integer(kBytes)));
        json_t *request = through_text(json_pack("{s:s, s:o}", "call", "OmbixStorageWrite", "params", params));
        json_t *outs = json_array();
        if (!bytes_in_request) json_array_append_new(outs, named("data", json_incref(text)));
        json_t *answer = through_text(json_pack("{s:i, s:o}", "ret", 0, "outs", outs));
        json_decref(text);

        json_t *carried = bytes_in_request ? json_array_get(json_object_get(request, "params"), 2)
                                           : json_array_get(json_object_get(answer, "outs"), 0);
        bool ok = ombix::decodeBase64(json_string_value(json_object_get(carried, "v")), decoded.data(), kBytes);
        if (!ok) state.SkipWithError("decoding failed");
        json_decref(request);
        json_decref(answer);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_Floor_StorageWrite_262144(benchmark::State &state) {
    floor_of(state, true);
}
BENCHMARK(BM_Floor_StorageWrite_262144)->Unit(benchmark::kMicrosecond);

void BM_Floor_StorageRead_262144(benchmark::State &state) {
    floor_of(state, false);
}
BENCHMARK(BM_Floor_StorageRead_262144)->Unit(benchmark::kMicrosecond);

}  // namespace
