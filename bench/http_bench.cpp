// Round trip of one scalar call over HTTP keep-alive on loopback, against the
// floor measured in the same run: libcurl and libmicrohttpd exchanging an
// empty request and an empty response, with the same threads and options.
// Both servers run in this process, so client and server share the machine
// alike in both measurements.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "listen_address.h"
#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "server.h"
#include "sim_control.h"

namespace {

// One polling thread serves both servers: no pool.
constexpr unsigned kServerThreads = 1;

// The floor: a handler that answers every request with a constant body, by
// default an empty one.
MHD_Result answer_constant(void *constant, MHD_Connection *connection, const char *, const char *, const char *, const char *,
                          std::size_t *upload_data_size, void **state) {
    static int marker;
    if (*state == nullptr) {
        *state = &marker;
        return MHD_YES;
    }
    if (*upload_data_size != 0) {
        *upload_data_size = 0;
        return MHD_YES;
    }
    const char *text = static_cast<const char *>(constant);
    MHD_Response *response = MHD_create_response_from_buffer(std::strlen(text), const_cast<char *>(text),
                                                             MHD_RESPMEM_PERSISTENT);
    MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return queued;
}

std::size_t discard(char *, std::size_t size, std::size_t count, void *) { return size * count; }

void constant_round_trip(benchmark::State &state, const char *request, const char *answer) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    MHD_Daemon *daemon = MHD_start_daemon(MHD_USE_AUTO_INTERNAL_THREAD, 0, nullptr, nullptr, &answer_constant, const_cast<char *>(answer),
                                          MHD_OPTION_SOCK_ADDR, &address, MHD_OPTION_END);
    if (daemon == nullptr) {
        state.SkipWithError("cannot start the floor server");
        return;
    }
    std::string url = "http://127.0.0.1:" +
                      std::to_string(MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT)->port) + "/call/Nothing";
    CURL *easy = curl_easy_init();
    curl_slist *headers = curl_slist_append(nullptr, "Content-Type: application/json");
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(std::strlen(request)));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);
    for (auto _ : state) {
        if (curl_easy_perform(easy) != CURLE_OK) {
            state.SkipWithError("floor request failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    MHD_stop_daemon(daemon);
}
// The floor of the goal: nothing in either direction.
void floor_round_trip(benchmark::State &state) { constant_round_trip(state, "", ""); }
BENCHMARK(floor_round_trip)->UseRealTime();

// The same libraries carrying the very texts of a GetFanSpeed call, without
// any JSON work: what the bytes alone cost over the floor.
void constant_fan_speed_texts(benchmark::State &state) {
    constant_round_trip(state, R"([{"i":"fanNr","v":0}])", R"({"ret":0,"outs":[{"i":"pwm","v":128},{"i":"rpm","v":2400}]})");
}
BENCHMARK(constant_fan_speed_texts)->UseRealTime();

void get_fan_speed_over_http(benchmark::State &state) {
    ombixd::ServerSettings settings;
    std::string error;
    ombixd::parse_listen_address("127.0.0.1:0", settings.address, error);
    settings.threads = kServerThreads;
    ombix::sim::set_call_log(false);  // as ombixd does
    ombixd::Server *server = ombixd::start_server(settings, error);
    if (server == nullptr) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::string url = "http://127.0.0.1:" + std::to_string(ombixd::server_port(server));
    OMBIX_HTTP_OPTIONS options{url.c_str(), nullptr, 10000, nullptr};
    std::int32_t handle = 0;
    OmbixHttpOpen(&options, &handle);
    std::uint8_t pwm = 0;
    std::int32_t rpm = 0;
    for (auto _ : state) {
        if (OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm) != OMBIX_RC_OK) {
            state.SkipWithError(OmbixTransportLastError());
            break;
        }
        benchmark::DoNotOptimize(rpm);
    }
    state.SetItemsProcessed(state.iterations());
    OmbixHttpClose(handle);
    ombixd::stop_server(server);
}
BENCHMARK(get_fan_speed_over_http)->UseRealTime();

}  // namespace
