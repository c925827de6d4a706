// Encode and decode throughput on 262144-byte buffers (the transfer limit):
// our codec, and as baselines the modp_b64 codec and the crypto library's
// block encoder and decoder, all in the same run.
#include <benchmark/benchmark.h>
#include <modp_b64.h>
#include <openssl/evp.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base64.h"

namespace {

constexpr std::size_t kBytes = 262144;

const std::vector<std::uint8_t> &plain() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(kBytes);
        std::mt19937 random(1);
        for (auto &x : b) x = static_cast<std::uint8_t>(random());
        return b;
    }();
    return bytes;
}

const std::string &text() {
    static const std::string t = [] {
        std::string s(ombix::base64_length(kBytes) + 1, '\0');
        ombix::encode_base64_text(plain().data(), kBytes, s.data());
        s.resize(ombix::base64_length(kBytes));
        return s;
    }();
    return t;
}

void bytes_per_iteration(benchmark::State &state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

void BM_encode_ours(benchmark::State &state) {
    std::vector<char> out(ombix::base64_length(kBytes) + 1);
    for (auto _ : state) {
        ombix::encode_base64_text(plain().data(), kBytes, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    bytes_per_iteration(state);
}

// The whole encodeBase64 call: buffer, text and JSON string.
void BM_encode_ours_json(benchmark::State &state) {
    for (auto _ : state) {
        json_t *value = ombix::encodeBase64(plain().data(), static_cast<std::int32_t>(kBytes));
        benchmark::DoNotOptimize(value);
        json_decref(value);
    }
    bytes_per_iteration(state);
}

void BM_encode_modp(benchmark::State &state) {
    std::vector<char> out(modp_b64_encode_len(kBytes));
    for (auto _ : state) {
        benchmark::DoNotOptimize(modp_b64_encode(out.data(), reinterpret_cast<const char *>(plain().data()), kBytes));
    }
    bytes_per_iteration(state);
}

void BM_encode_crypto(benchmark::State &state) {
    std::vector<unsigned char> out(ombix::base64_length(kBytes) + 1);
    for (auto _ : state) benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), plain().data(), kBytes));
    bytes_per_iteration(state);
}

void BM_decode_ours(benchmark::State &state) {
    std::vector<std::uint8_t> out(kBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ombix::decodeBase64(text().c_str(), out.data(), kBytes));
    }
    bytes_per_iteration(state);
}

void BM_decode_modp(benchmark::State &state) {
    std::vector<char> out(modp_b64_decode_len(text().size()));
    for (auto _ : state) benchmark::DoNotOptimize(modp_b64_decode(out.data(), text().c_str(), text().size()));
    bytes_per_iteration(state);
}

void BM_decode_crypto(benchmark::State &state) {
    std::vector<unsigned char> out(text().size() / 4 * 3 + 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char *>(text().c_str()),
                                                 static_cast<int>(text().size())));
    }
    bytes_per_iteration(state);
}

BENCHMARK(BM_encode_ours);
BENCHMARK(BM_encode_ours_json);
BENCHMARK(BM_encode_modp);
BENCHMARK(BM_encode_crypto);
BENCHMARK(BM_decode_ours);
BENCHMARK(BM_decode_modp);
BENCHMARK(BM_decode_crypto);

}  // namespace
