// The Linux board's sensor and fan readings on a fake sysfs of 16 hwmon
// chips, against the floor measured in the same run: the same attributes
// read with pread on descriptors kept open and parsed, nothing else. Then
// OmbixGetTempSensorValue through ombixd (in this process, loopback HTTP)
// with 1, 4 and 16 clients, the calls serialized or concurrent.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "api_lock.h"
#include "listen_address.h"
#include "ombixLocalWrap.h"
#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "ombix_linux_board.h"
#include "server.h"

namespace {

namespace fs = std::filesystem;
constexpr int kChips = 16;

// 16 chips, each with one temperature and one fan with its pwm.
class SixteenChips {
public:
    SixteenChips() {
        char pattern[] = "/tmp/ombix-bench-root-XXXXXX";
        root_ = ::mkdtemp(pattern);
        for (int chip = 0; chip < kChips; ++chip) {
            std::string device = root_ + "/sys/devices/platform/chip." + std::to_string(chip);
            std::string hwmon = device + "/hwmon/hwmon" + std::to_string(chip);
            fs::create_directories(hwmon);
            write(hwmon + "/name", "chip");
            write(hwmon + "/temp1_input", std::to_string(30000 + chip * 500));
            write(hwmon + "/fan1_input", std::to_string(1000 + chip * 10));
            write(hwmon + "/pwm1", "128");
            write(hwmon + "/pwm1_enable", "1");
            fs::create_directory_symlink(device, hwmon + "/device");
            fs::create_directories(root_ + "/sys/class/hwmon");
            fs::create_directory_symlink(hwmon, root_ + "/sys/class/hwmon/hwmon" + std::to_string(chip));
            temps_.push_back(hwmon + "/temp1_input");
            for (const char *f : {"/fan1_input", "/pwm1", "/pwm1_enable"}) fan_files_.push_back(hwmon + f);
        }
        std::string state = root_ + "/state";
        OMBIX_LINUX_BOARD_SETTINGS settings{nullptr, state.c_str(), root_.c_str()};
        configured_ = OmbixLinuxBoardConfigure(&settings) == OMBIX_RC_OK;
    }
    ~SixteenChips() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    bool configured() const { return configured_; }
    const std::vector<std::string> &temps() const { return temps_; }
    const std::vector<std::string> &fan_files() const { return fan_files_; }

private:
    static void write(const std::string &path, const std::string &text) { std::ofstream(path) << text << "\n"; }
    std::string root_;
    std::vector<std::string> temps_, fan_files_;
    bool configured_ = false;
};

SixteenChips &chips() {
    static SixteenChips instance;
    return instance;
}

std::vector<int> open_all(const std::vector<std::string> &paths) {
    std::vector<int> fds;
    for (const std::string &p : paths) fds.push_back(::open(p.c_str(), O_RDONLY | O_CLOEXEC));
    return fds;
}

long read_number(int fd) {
    char buffer[32];
    ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    buffer[n > 0 ? n : 0] = '\0';
    return std::strtol(buffer, nullptr, 10);
}

void floor_temp_pread(benchmark::State &state) {
    std::vector<int> fds = open_all(chips().temps());
    std::size_t k = 0;
    for (auto _ : state) {
        long millidegrees = read_number(fds[k++ % fds.size()]);
        benchmark::DoNotOptimize(millidegrees);
    }
    for (int fd : fds) ::close(fd);
}
BENCHMARK(floor_temp_pread);

void get_temp_sensor_value(benchmark::State &state) {
    if (!chips().configured()) return state.SkipWithError("fake root not configured");
    int32_t k = 0, value = 0;
    for (auto _ : state) {
        if (OmbixGetTempSensorValue(0, k++ % kChips, &value) != OMBIX_RC_OK) return state.SkipWithError("call failed");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(get_temp_sensor_value);

void floor_fan_list_pread(benchmark::State &state) {
    std::vector<int> fds = open_all(chips().fan_files());
    for (auto _ : state) {
        long sum = 0;
        for (int fd : fds) sum += read_number(fd);
        benchmark::DoNotOptimize(sum);
    }
    for (int fd : fds) ::close(fd);
}
BENCHMARK(floor_fan_list_pread);

void get_fan_list(benchmark::State &state) {
    if (!chips().configured()) return state.SkipWithError("fake root not configured");
    std::vector<FAN_INFO> fans(kChips);
    for (auto _ : state) {
        if (OmbixGetFanList(0, fans.data(), kChips) != OMBIX_RC_OK) return state.SkipWithError("call failed");
        benchmark::DoNotOptimize(fans.data());
    }
}
BENCHMARK(get_fan_list);

// One in-process ombixd on the Linux board for the client benchmarks.
struct Server {
    ombixd::ServerSettings settings;  // the server refers to it while it runs
    ombixd::Server *server = nullptr;
    std::string url;
    Server() {
        chips();
        std::string error;
        ombixd::parse_listen_address("127.0.0.1:0", settings.address, error);
        settings.threads = 4;
        settings.max_connections_per_address = 64;
        server = ombixd::start_server(settings, error);
        if (server != nullptr) url = "http://127.0.0.1:" + std::to_string(ombixd::server_port(server));
    }
};

Server &server() {
    static Server instance;
    return instance;
}

// Each benchmark thread is a client with its own connection.
void temp_over_http(benchmark::State &state, bool concurrent) {
    if (state.thread_index() == 0) ombixd::use_local_api({ombixExecuteName, concurrent});
    if (server().server == nullptr) return state.SkipWithError("no server");
    OMBIX_HTTP_OPTIONS options{server().url.c_str(), nullptr, 10000, nullptr};
    int32_t handle = 0;
    {
        static std::mutex open_mutex;  // one open at a time
        std::lock_guard<std::mutex> lock(open_mutex);
        if (OmbixHttpOpen(&options, &handle) != 0) return state.SkipWithError("no connection");
    }
    int32_t k = state.thread_index(), value = 0;
    for (auto _ : state) {
        if (int32_t code = OmbixR_GetTempSensorValue(handle, k++ % kChips, &value)) {
            state.SkipWithError(
                ("call failed with code " + std::to_string(code) + ": " + OmbixTransportLastError()).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    OmbixHttpClose(handle);
}

void temp_over_http_serialized(benchmark::State &state) {
    temp_over_http(state, false);
}
void temp_over_http_concurrent(benchmark::State &state) {
    temp_over_http(state, true);
}
BENCHMARK(temp_over_http_serialized)->Threads(1)->Threads(4)->Threads(16)->UseRealTime();
BENCHMARK(temp_over_http_concurrent)->Threads(1)->Threads(4)->Threads(16)->UseRealTime();

}  // namespace
