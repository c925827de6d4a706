// A call runs at most once, even when its connection breaks after the server
// received it and before the answer arrived, and libcurl sends the request
// again on a new connection. The server runs in this process, so the
// simulated board's call log shows how often the local API was called.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "dropping_proxy.h"
#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "server.h"
#include "server_process.h"
#include "sim_control.h"

namespace {

using ombix::test::DroppingProxy;

std::size_t times_called(const std::string &name) {
    std::size_t count = 0;
    for (const auto &record : ombix::sim::calls()) count += record.name == name;
    return count;
}

class Repeat : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        ombix::sim::reset();
        ombix::sim::set_call_log(true);
        std::string error;
        ASSERT_TRUE(ombixd::parse_listen_address("127.0.0.1:0", settings.address, error));
        settings.threads = 2;
        server = ombixd::start_server(settings, error);
        ASSERT_NE(server, nullptr) << error;
    }
    void TearDown() override { ombixd::stop_server(server); }

    std::int32_t open_through(const DroppingProxy &proxy) {
        std::string url = "http://127.0.0.1:" + std::to_string(proxy.port());
        OMBIX_HTTP_OPTIONS options{url.c_str(), nullptr, 5000, nullptr};
        std::int32_t handle = 0;
        EXPECT_EQ(OmbixHttpOpen(&options, &handle), 0);
        return handle;
    }

    ombixd::ServerSettings settings;
    ombixd::Server *server = nullptr;
};

struct SideEffect {
    const char *name;
    std::function<std::int32_t(std::int32_t)> call;
};

TEST_F(Repeat, a_call_whose_answer_was_lost_on_a_kept_alive_connection_runs_once_and_gets_its_answer) {
    const std::uint8_t bytes[] = {1, 2, 3, 4};
    const SideEffect calls[] = {
        {"OmbixStorageWrite", [&](std::int32_t h) { return OmbixR_StorageWrite(h, 1, 0, bytes, 4); }},
        {"OmbixI2cWrite", [&](std::int32_t h) { return OmbixR_I2cWrite(h, 0, 0x50, 0, bytes, 2); }},
        {"OmbixSmbusSendByte", [](std::int32_t h) { return OmbixR_SmbusSendByte(h, 0, 0x50, 0x11); }},
        {"OmbixSetSystemState", [](std::int32_t h) { return OmbixR_SetSystemState(h, 2); }},
        {"OmbixWatchdogEnable", [](std::int32_t h) { return OmbixR_WatchdogEnable(h, 30); }},
    };
    for (const SideEffect &side_effect : calls) {
        SCOPED_TRACE(side_effect.name);
        ombix::sim::reset();
        // The third answer is lost: the connection has carried two calls, so
        // libcurl takes the break for a stale connection and sends again.
        DroppingProxy proxy(ombixd::server_port(server), 3);
        std::int32_t handle = open_through(proxy);
        std::int32_t count = 0;
        ASSERT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);
        ASSERT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);
        EXPECT_EQ(side_effect.call(handle), OMBIX_RC_OK) << OmbixTransportLastError();
        EXPECT_EQ(proxy.answers_seen(), 4);  // the lost answer, and the one given again
        EXPECT_EQ(times_called(side_effect.name), 1u);
        EXPECT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);  // and the handle goes on
        OmbixHttpClose(handle);
    }
}

TEST_F(Repeat, a_lost_answer_on_a_fresh_connection_is_a_transport_failure_and_the_call_ran_once) {
    DroppingProxy proxy(ombixd::server_port(server), 1);
    std::int32_t handle = open_through(proxy);
    std::uint8_t pwm = 7;
    std::int32_t rpm = 7;
    EXPECT_EQ(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_TRANSPORT_RC_CONNECT);
    EXPECT_EQ(rpm, 7);
    EXPECT_EQ(times_called("OmbixGetFanSpeed"), 1u);
    OmbixHttpClose(handle);
}

TEST_F(Repeat, requests_without_an_id_run_every_time) {
    // Other HTTP clients send no Ombix-Request-Id: nothing is remembered for them.
    for (int k = 0; k < 2; ++k) {
        std::string command =
            "curl --noproxy '*' -s -X POST --data '[{\"i\":\"timeout\",\"v\":30}]' http://127.0.0.1:" +
            std::to_string(ombixd::server_port(server)) + "/call/OmbixWatchdogEnable";
        EXPECT_EQ(ombix::test::run_command(command).output, R"({"ret":0,"outs":[]})");
    }
    EXPECT_EQ(times_called("OmbixWatchdogEnable"), 2u);
}

TEST(RepeatAfterKill, a_server_killed_between_receiving_and_answering_gives_a_transport_code) {
    ombix::test::bypass_proxies();
    ombix::test::ServerProcess server;
    ASSERT_TRUE(server.started());
    DroppingProxy proxy(server.port(), 3, [&] { server.kill_now(); });
    std::string url = "http://127.0.0.1:" + std::to_string(proxy.port());
    OMBIX_HTTP_OPTIONS options{url.c_str(), nullptr, 5000, nullptr};
    std::int32_t handle = 0;
    ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
    std::int32_t count = 0;
    ASSERT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);
    ASSERT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);
    std::uint8_t pwm = 7;
    std::int32_t rpm = 7;
    EXPECT_EQ(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_TRANSPORT_RC_CONNECT);
    EXPECT_EQ(pwm, 7);
    EXPECT_EQ(rpm, 7);
    OmbixHttpClose(handle);
}

TEST(RepeatAfterIdle, a_call_after_the_server_closed_an_idle_kept_alive_connection_succeeds) {
    ombix::test::bypass_proxies();
    ombix::test::ServerProcess server({"--idle-timeout", "1"});
    ASSERT_TRUE(server.started());
    OMBIX_HTTP_OPTIONS options{server.url().c_str(), nullptr, 5000, nullptr};
    std::int32_t handle = 0;
    ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
    std::int32_t count = 0;
    ASSERT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK) << OmbixTransportLastError();
    OmbixHttpClose(handle);
}

}  // namespace
