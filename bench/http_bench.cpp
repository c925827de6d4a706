// Round trip of one scalar call over HTTP keep-alive on loopback, against the
// floor measured in the same run: libcurl and a minimal server on the same
// HTTP library (Boost.Beast on Asio, one thread) exchanging an empty request
// and an empty response. Both servers run in this process, so client and
// server share the machine alike in both measurements.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>

#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "listen_address.h"
#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "server.h"
#include "sim_control.h"

namespace {

namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

// One thread serves both servers: no pool.
constexpr unsigned kServerThreads = 1;

// The floor's connection: reads a request, answers the constant, again.
class ConstantSession : public std::enable_shared_from_this<ConstantSession> {
public:
    ConstantSession(tcp::socket socket, const char *constant) : stream_(std::move(socket)), constant_(constant) {}
    void read() {
        request_ = {};
        http::async_read(stream_, buffer_, request_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (!error) self->answer();
        });
    }

private:
    void answer() {
        response_ = http::response<http::string_body>(http::status::ok, request_.version());
        response_.set(http::field::content_type, "application/json");
        response_.body() = constant_;
        response_.keep_alive(request_.keep_alive());
        response_.prepare_payload();
        http::async_write(stream_, response_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (!error) self->read();
        });
    }
    beast::tcp_stream stream_;
    const char *constant_;
    beast::flat_buffer buffer_;
    http::request<http::string_body> request_;
    http::response<http::string_body> response_;
};

class ConstantServer {
public:
    explicit ConstantServer(const char *constant)
        : acceptor_(io_, {net::ip::make_address("127.0.0.1"), 0}), constant_(constant) {
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~ConstantServer() {
        io_.stop();
        thread_.join();
    }
    unsigned short port() const { return acceptor_.local_endpoint().port(); }

private:
    void accept() {
        acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
            if (error) return;
            std::make_shared<ConstantSession>(std::move(socket), constant_)->read();
            accept();
        });
    }
    net::io_context io_;
    tcp::acceptor acceptor_;
    const char *constant_;
    std::thread thread_;
};

// CPU time of the whole process, client and server threads together: less
// sensitive than the time on the clock to other programs on a shared machine.
double process_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void count_process_cpu(benchmark::State &state, double start) {
    state.counters["process_cpu"] =
        benchmark::Counter(process_cpu_seconds() - start, benchmark::Counter::kAvgIterations);
}

std::size_t discard(char *, std::size_t size, std::size_t count, void *) {
    return size * count;
}

void constant_round_trip(benchmark::State &state, const char *request, const char *answer) {
    ConstantServer server(answer);
    std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/call/Nothing";
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
    double start = process_cpu_seconds();
    for (auto _ : state) {
        if (curl_easy_perform(easy) != CURLE_OK) {
            state.SkipWithError("floor request failed");
            break;
        }
    }
    count_process_cpu(state, start);
    state.SetItemsProcessed(state.iterations());
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
}
// The floor of the goal: nothing in either direction.
void floor_round_trip(benchmark::State &state) {
    constant_round_trip(state, "", "");
}
BENCHMARK(floor_round_trip)->UseRealTime();

// The same libraries carrying the very texts of a GetFanSpeed call, without
// any JSON work: what the bytes alone cost over the floor.
void constant_fan_speed_texts(benchmark::State &state) {
    constant_round_trip(state, R"([{"i":"fanNr","v":0}])",
                        R"({"ret":0,"outs":[{"i":"pwm","v":128},{"i":"rpm","v":2400}]})");
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
    double start = process_cpu_seconds();
    for (auto _ : state) {
        if (OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm) != OMBIX_RC_OK) {
            state.SkipWithError(OmbixTransportLastError());
            break;
        }
        benchmark::DoNotOptimize(rpm);
    }
    count_process_cpu(state, start);
    state.SetItemsProcessed(state.iterations());
    OmbixHttpClose(handle);
    ombixd::stop_server(server);
}
BENCHMARK(get_fan_speed_over_http)->UseRealTime();

}  // namespace
