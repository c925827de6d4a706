#include "cpufreq.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "sysfs.h"

namespace ombix::linux_board {

std::vector<CpufreqPolicy> cpufreq_policies(const Board &board) {
    std::vector<std::pair<int, CpufreqPolicy>> found;
    const std::string folder = board.path("/sys/devices/system/cpu/cpufreq");
    for (const std::string &name : list_folder(folder)) {
        if (name.rfind("policy", 0) != 0) continue;
        CpufreqPolicy p;
        p.folder = folder + "/" + name;
        auto min = read_integer(p.folder + "/cpuinfo_min_freq");
        auto max = read_integer(p.folder + "/cpuinfo_max_freq");
        if (!min || !max || *max <= 0 || *min > *max) continue;
        p.min_khz = *min;
        p.max_khz = *max;
        found.emplace_back(std::atoi(name.c_str() + 6), p);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<CpufreqPolicy> policies;
    for (auto &f : found) policies.push_back(f.second);
    return policies;
}

std::vector<PerformanceState> performance_states(const CpufreqPolicy &first) {
    std::vector<PerformanceState> states;
    if (auto listed = read_text(first.folder + "/scaling_available_frequencies")) {
        std::istringstream words(*listed);
        std::string word;
        std::vector<std::int64_t> khz;
        while (words >> word) {
            auto value = parse_integer(word);
            if (value && *value > 0) khz.push_back(*value);
        }
        std::sort(khz.rbegin(), khz.rend());
        khz.erase(std::unique(khz.begin(), khz.end()), khz.end());
        for (std::size_t i = 0; i < khz.size() && i < 32; ++i) states.push_back({khz[i], 0});
        if (!states.empty()) return states;
    }
    for (int percent : {100, 75, 50, 25}) {
        std::int64_t khz = std::max(first.min_khz, first.max_khz * percent / 100);
        if (!states.empty() && states.back().khz == khz) break;
        states.push_back({khz, percent});
    }
    return states;
}

int limit_all_policies(const std::vector<CpufreqPolicy> &policies, std::int64_t khz_on_first) {
    if (policies.empty()) return ENODEV;
    const CpufreqPolicy &first = policies.front();
    for (const CpufreqPolicy &p : policies) {
        std::int64_t khz = khz_on_first;
        if (&p != &first) khz = khz_on_first * p.max_khz / first.max_khz;
        khz = std::clamp(khz, p.min_khz, p.max_khz);
        if (int error = write_text(p.folder + "/scaling_max_freq", std::to_string(khz))) return error;
    }
    return 0;
}

}  // namespace ombix::linux_board
