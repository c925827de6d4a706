// Several clients at once, thousands of calls, every answer checked. Bounded
// in count; under the sanitizer build the server runs with ASan and UBSan, so
// a leak or a race on its side fails its exit.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "server_process.h"

namespace {

constexpr int kClients = 4;
constexpr int kCallsPerClient = 1000;

struct FanReading {
    std::uint8_t pwm;
    std::int32_t rpm;
};
constexpr FanReading kFans[] = {{128, 2400}, {96, 1800}, {64, 1200}};
constexpr std::int32_t kTempSensors[] = {52, 47, 38, 41};

// One client's calls; the number of wrong answers.
int run_client(std::int32_t handle, int client) {
    int wrong = 0;
    for (int k = 0; k < kCallsPerClient; ++k) {
        int which = (k + client) % 4;
        if (which < 3) {
            FanReading reading{};
            std::int32_t code = OmbixR_GetFanSpeed(handle, which, &reading.pwm, &reading.rpm);
            wrong += code != OMBIX_RC_OK || reading.pwm != kFans[which].pwm || reading.rpm != kFans[which].rpm;
        } else {
            std::int32_t value = 0;
            int sensor = k % 4;
            std::int32_t code = OmbixR_GetTempSensorValue(handle, sensor, &value);
            wrong += code != OMBIX_RC_OK || value != kTempSensors[sensor];
        }
    }
    return wrong;
}

TEST(Load, concurrent_clients_make_thousands_of_calls_with_every_answer_right) {
    ombix::test::bypass_proxies();
    ombix::test::ServerProcess server({"--threads", "4"});
    ASSERT_TRUE(server.started());

    std::vector<std::int32_t> handles(kClients);
    for (std::int32_t &handle : handles) {
        OMBIX_HTTP_OPTIONS options{server.url().c_str(), nullptr, 30000, nullptr};
        ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back([&, client] { wrong += run_client(handles[static_cast<std::size_t>(client)], client); });
    // Two more threads share one handle: their calls take turns on it.
    std::int32_t shared = handles[0];
    for (int client = 0; client < 2; ++client)
        clients.emplace_back([&, client] { wrong += run_client(shared, client); });
    for (std::thread &client : clients) client.join();

    EXPECT_EQ(wrong.load(), 0);
    for (std::int32_t handle : handles) OmbixHttpClose(handle);
    EXPECT_EQ(server.stop(), 0);  // a sanitizer finding would make this non-zero
}

}  // namespace
