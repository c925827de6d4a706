// The largest list answer: 512 PCI devices, end to end through the loopback
// transport, beside the executor alone and beside the floor, the jansson work
// any wire must do for the same answer (build, dump and load it).
#include <benchmark/benchmark.h>
#include <jansson.h>

#include <cstdlib>
#include <vector>

#include "ombixLocalWrap.h"
#include "ombixRemoteCall.h"
#include "sim_control.h"

namespace {

constexpr int kCount = OMBIX_MAX_LIST_COUNT;

void fill_board() {
    ombix::sim::reset();
    ombix::sim::set_call_log(false);
    auto &devices = ombix::sim::board().records.pciDevices;
    devices.resize(kCount, devices.back());
}

void BM_Stub_GetPciDeviceList512_Loopback(benchmark::State &state) {
    fill_board();
    std::vector<PCI_DEVICE> devices(kCount);
    for (auto _ : state) benchmark::DoNotOptimize(OmbixR_GetPciDeviceList(1, devices.data(), kCount));
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Stub_GetPciDeviceList512_Loopback)->Unit(benchmark::kMicrosecond);

void BM_Executor_GetPciDeviceList512(benchmark::State &state) {
    fill_board();
    json_t *params = json_pack("[{s:s, s:i}]", "i", "pciDeviceCount", "v", kCount);
    for (auto _ : state) {
        json_t *answer = ombixExecuteName("OmbixGetPciDeviceList", params);
        benchmark::DoNotOptimize(answer);
        json_decref(answer);
    }
    json_decref(params);
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Executor_GetPciDeviceList512)->Unit(benchmark::kMicrosecond);

void BM_Floor_PciList512_JsonWork(benchmark::State &state) {
    static const char *const kInts[] = {"domain", "bus", "slot", "funct", "deviceId", "vendorId", "classId"};
    static const char *const kTexts[] = {"deviceName", "vendorName", "className"};
    for (auto _ : state) {
        json_t *list = json_array();
        for (int i = 0; i < kCount; ++i) {
            json_t *record = json_array();
            for (const char *key : kInts)
                json_array_append_new(record, json_pack("{s:s, s:o}", "i", key, "v", json_integer(i)));
            for (const char *key : kTexts) {
                json_array_append_new(
                    record, json_pack("{s:s, s:o}", "i", key, "v", json_string("Gigabit Ethernet controller")));
            }
            json_array_append_new(list, record);
        }
        json_t *answer = json_pack("{s:i, s:[{s:s, s:o}]}", "ret", 0, "outs", "i", "pciDevices", "v", list);
        char *text = json_dumps(answer, JSON_COMPACT);
        json_decref(answer);
        json_t *parsed = json_loads(text, 0, nullptr);
        std::free(text);
        benchmark::DoNotOptimize(parsed);
        json_decref(parsed);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Floor_PciList512_JsonWork)->Unit(benchmark::kMicrosecond);

}  // namespace
