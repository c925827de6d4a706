// CPU description, frequency, performance percentage and performance states.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

#include "call.h"
#include "cpufreq.h"
#include "smbios.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

// The CPU numbers in a kernel CPU list such as "0-3,6".
std::vector<int> cpu_list(const std::string &text) {
    std::vector<int> cpus;
    std::stringstream ranges(text);
    std::string range;
    while (std::getline(ranges, range, ',')) {
        int first = 0, last = 0;
        int n = std::sscanf(range.c_str(), "%d-%d", &first, &last);
        if (n == 1) last = first;
        if (n < 1 || first < 0 || last < first || last - first > 65536) continue;
        for (int c = first; c <= last; ++c) cpus.push_back(c);
    }
    return cpus;
}

// A member of /proc/cpuinfo's first processor ("model name").
std::string cpuinfo_field(const Board &board, const std::string &key) {
    auto text = read_text(board.path("/proc/cpuinfo"));
    if (!text) return "";
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        if (name != key) continue;
        std::size_t start = line.find_first_not_of(' ', colon + 1);
        return start == std::string::npos ? "" : line.substr(start);
    }
    return "";
}

// Cache sizes of CPU 0 in KiB, by level (L1 counts data and instructions).
void cache_sizes(const Board &board, CPU_INFO &info) {
    const std::string folder = board.path("/sys/devices/system/cpu/cpu0/cache");
    for (const std::string &index : list_folder(folder)) {
        if (index.rfind("index", 0) != 0) continue;
        auto level = read_integer(folder + "/" + index + "/level");
        auto size = read_text(folder + "/" + index + "/size");
        if (!level || !size || size->empty()) continue;
        long long kib = std::atoll(size->c_str());
        char unit = size->back();
        if (unit == 'M') kib *= 1024;
        if (kib < 0 || kib > INT32_MAX) continue;
        int32_t *field = *level == 1   ? &info.l1Cache
                         : *level == 2 ? &info.l2Cache
                         : *level == 3 ? &info.l3Cache
                                       : nullptr;
        if (field != nullptr) *field += static_cast<int32_t>(kib);
    }
}

// The first processor structure of SMBIOS (type 4) that describes a populated socket.
std::optional<SmbiosStructure> smbios_processor(const Board &board) {
    for (SmbiosStructure &s : read_smbios(board.root, 4)) {
        auto status = s.byte(0x18);
        if (status && (*status & 0x40)) return s;
    }
    return std::nullopt;
}

std::int32_t mhz(std::int64_t khz) {
    return static_cast<std::int32_t>((khz + 500) / 1000);
}

}  // namespace

extern "C" {

int32_t OmbixGetCpuInfo(int32_t, CPU_INFO *cpuInfo) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (cpuInfo == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        CPU_INFO info{};
        auto processor = smbios_processor(board);
        std::string name = cpuinfo_field(board, "model name");
        if (name.empty() && processor) name = processor->string_at(0x10);
        set_text(info.cpuName, name);

        auto online = read_text(board.path("/sys/devices/system/cpu/online"));
        if (!online) return os_error(errno);
        std::set<std::int64_t> packages;
        std::set<std::pair<std::int64_t, std::int64_t>> cores;
        std::vector<int> cpus = cpu_list(*online);
        for (int cpu : cpus) {
            std::string topology = board.path("/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/");
            auto package = read_integer(topology + "physical_package_id");
            auto core = read_integer(topology + "core_id");
            if (package) packages.insert(*package);
            if (package && core) cores.insert({*package, *core});
        }
        info.cpuThreadCount = static_cast<int32_t>(cpus.size());
        info.cpuCount = static_cast<int32_t>(packages.size());
        info.cpuCoreCount = static_cast<int32_t>(cores.size());

        std::int64_t max_khz = 0;
        for (const CpufreqPolicy &p : cpufreq_policies(board)) max_khz = std::max(max_khz, p.max_khz);
        if (max_khz > 0) {
            info.cpuMaxCoreSpeed = static_cast<float>(max_khz) / 1e6f;
        } else if (processor && processor->word(0x14)) {
            info.cpuMaxCoreSpeed = static_cast<float>(*processor->word(0x14)) / 1000.0f;
        }
        if (processor && processor->word(0x12)) info.fsbSpeed = *processor->word(0x12);
        cache_sizes(board, info);
        *cpuInfo = info;
        return OMBIX_RC_OK;
    });
}

// freqType 0: the current frequency of CPU 0, 1: the lowest it may run at,
// 2: the highest; in MHz.
int32_t OmbixGetCpuFreq(int32_t, int8_t freqType, int32_t *frequency) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (frequency == nullptr || freqType < 0 || freqType > 2) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<CpufreqPolicy> policies = cpufreq_policies(board);
        if (policies.empty()) {
            if (freqType == 0) {
                // Without cpufreq the kernel still measures the clock on x86.
                std::string measured = cpuinfo_field(board, "cpu MHz");
                if (measured.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
                *frequency = static_cast<int32_t>(std::lround(std::atof(measured.c_str())));
                return OMBIX_RC_OK;
            }
            auto processor = smbios_processor(board);
            auto speed = processor ? processor->word(freqType == 2 ? 0x14 : 0x16) : std::nullopt;
            if (freqType != 2 || !speed || *speed == 0) return OMBIX_LINUX_RC_NOT_SUPPORTED;
            *frequency = *speed;
            return OMBIX_RC_OK;
        }
        const CpufreqPolicy &first = policies.front();
        if (freqType == 1) {
            *frequency = mhz(first.min_khz);
        } else if (freqType == 2) {
            *frequency = mhz(first.max_khz);
        } else {
            auto current = read_integer(first.folder + "/scaling_cur_freq");
            if (!current) return os_error(errno);
            *frequency = mhz(*current);
        }
        return OMBIX_RC_OK;
    });
}

// The share of CPU 0's highest frequency that its policy may use now.
int32_t OmbixGetCpuPerformance(int32_t, int8_t *performancePercentage) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (performancePercentage == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<CpufreqPolicy> policies = cpufreq_policies(board);
        if (policies.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        auto limit = read_integer(policies.front().folder + "/scaling_max_freq");
        if (!limit) return os_error(errno);
        std::int64_t percent = (*limit * 100 + policies.front().max_khz / 2) / policies.front().max_khz;
        *performancePercentage = static_cast<int8_t>(std::clamp<std::int64_t>(percent, 0, 100));
        return OMBIX_RC_OK;
    });
}

int32_t OmbixSetCpuPerformance(int32_t, int8_t performancePercentage) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (performancePercentage < 0 || performancePercentage > 100) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<CpufreqPolicy> policies = cpufreq_policies(board);
        if (policies.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        std::int64_t khz = policies.front().max_khz * performancePercentage / 100;
        if (int error = limit_all_policies(policies, khz)) return os_error(error);
        return OMBIX_RC_OK;
    });
}

int32_t OmbixPerformanceStateCaps(int32_t, uint32_t *statesMask) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (statesMask == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<CpufreqPolicy> policies = cpufreq_policies(board);
        if (policies.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        std::size_t n = performance_states(policies.front()).size();
        *statesMask = n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1;
        return OMBIX_RC_OK;
    });
}

// The state whose limit is in force: the fastest state not above it.
int32_t OmbixGetPerformanceState(int32_t, uint32_t *state) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (state == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<CpufreqPolicy> policies = cpufreq_policies(board);
        if (policies.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        auto limit = read_integer(policies.front().folder + "/scaling_max_freq");
        if (!limit) return os_error(errno);
        std::vector<PerformanceState> states = performance_states(policies.front());
        std::size_t chosen = states.size() - 1;
        for (std::size_t i = 0; i < states.size(); ++i) {
            if (states[i].khz <= *limit) {
                chosen = i;
                break;
            }
        }
        *state = static_cast<uint32_t>(chosen);
        return OMBIX_RC_OK;
    });
}

int32_t OmbixSetPerformanceState(int32_t, uint32_t state) {
    return run_call([&](const Board &board) -> std::int32_t {
        std::vector<CpufreqPolicy> policies = cpufreq_policies(board);
        if (policies.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        std::vector<PerformanceState> states = performance_states(policies.front());
        if (state >= states.size()) return OMBIX_LINUX_RC_NO_DEVICE;
        if (int error = limit_all_policies(policies, states[state].khz)) return os_error(error);
        return OMBIX_RC_OK;
    });
}

// "P1: 2100 MHz" for a state from the driver's list, "P1: 75 % of 2800 MHz,
// 2100 MHz" for one made from the range.
int32_t OmbixGetPerformanceStateDescription(int32_t, uint32_t state, uint8_t *description) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (description == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<CpufreqPolicy> policies = cpufreq_policies(board);
        if (policies.empty()) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        std::vector<PerformanceState> states = performance_states(policies.front());
        if (state >= states.size()) return OMBIX_LINUX_RC_NO_DEVICE;
        char text[OMBIX_DESCRIPTION_SIZE];
        const PerformanceState &s = states[state];
        if (s.percent == 0) {
            std::snprintf(text, sizeof text, "P%u: %d MHz", state, mhz(s.khz));
        } else {
            std::snprintf(text, sizeof text, "P%u: %d %% of %d MHz, %d MHz", state, s.percent,
                          mhz(policies.front().max_khz), mhz(s.khz));
        }
        std::memset(description, 0, OMBIX_DESCRIPTION_SIZE);
        std::memcpy(description, text, std::strlen(text));
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
