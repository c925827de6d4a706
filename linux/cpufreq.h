// CPU frequency scaling (cpufreq policies): the CPU performance percentage
// and the performance states are limits on the highest frequency each
// policy may choose (scaling_max_freq).
#ifndef OMBIX_LINUX_CPUFREQ_H
#define OMBIX_LINUX_CPUFREQ_H

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

namespace ombix::linux_board {

struct CpufreqPolicy {
    std::string folder;
    std::int64_t min_khz = 0;  // cpuinfo_min_freq
    std::int64_t max_khz = 0;  // cpuinfo_max_freq
};

// The policies in CPU order; empty without cpufreq.
std::vector<CpufreqPolicy> cpufreq_policies(const Board &board);

// One performance state: a frequency limit, as a share of each policy's
// maximum (states from the driver's frequency list keep their frequency).
struct PerformanceState {
    std::int64_t khz = 0;  // on the first policy
    int percent = 0;       // 0 when the state comes from the driver's list
};

// State 0 is the fastest. From scaling_available_frequencies where the
// driver lists them (at most 32, fastest first), else 100, 75, 50 and 25 %
// of the maximum, never below the minimum.
std::vector<PerformanceState> performance_states(const CpufreqPolicy &first);

// Sets every policy's scaling_max_freq to `khz` on the first policy's scale:
// the same share of each policy's own range. 0 or an errno value.
int limit_all_policies(const std::vector<CpufreqPolicy> &policies, std::int64_t khz_on_first);

}  // namespace ombix::linux_board

#endif
