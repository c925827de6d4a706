// The board's state as metric families, read through the local board API at
// scrape time: sensors, fans, batteries, up time, boot counter, intruder
// status, GPIO levels, watchdog capability and performance state. A group the
// board lacks (its count is 0, or its call fails) has no series; a failed read
// is counted in ombix_board_read_failures_total instead of failing the scrape.
#ifndef OMBIXD_BOARD_METRICS_H
#define OMBIXD_BOARD_METRICS_H

#include <prometheus/metric_family.h>

#include <chrono>
#include <vector>

namespace ombixd {

// Reads until `deadline`: the reads not started by then are left out, and
// the cut is counted in ombix_board_read_deadline_exceeded_total.
std::vector<prometheus::MetricFamily> board_families(std::chrono::steady_clock::time_point deadline);

}  // namespace ombixd

#endif
