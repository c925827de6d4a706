// The board's state in the Prometheus text format, read through the local
// board API at scrape time: sensors, fans, batteries, up time, boot counter,
// intruder status, GPIO levels, watchdog capability and performance state.
// The board's functions are called directly, as the executor calls them, so
// that a scrape costs little more than the reads themselves. A group the
// board lacks (its count is 0, or its call fails) has no series; a failed
// read is counted in ombix_board_read_failures_total instead of failing the
// scrape.
#ifndef OMBIXD_BOARD_METRICS_H
#define OMBIXD_BOARD_METRICS_H

#include <chrono>
#include <string>

namespace ombixd {

// Appends the board's families to `out`. Reads until `deadline`: those not
// started by then are left out, and the cut is counted in
// ombix_board_read_deadline_exceeded_total. Throws std::bad_alloc.
void append_board_families(std::chrono::steady_clock::time_point deadline, std::string &out);

}  // namespace ombixd

#endif
