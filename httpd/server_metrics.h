// What ombixd counts about itself for GET /metrics: the calls it ran by name
// and code with their durations, its HTTP answers by status, authentication
// refusals and their delays, audit records, open connections, its build, and its failures to read the board
// while scraping. Process-wide; every function is safe from any thread.
#ifndef OMBIXD_SERVER_METRICS_H
#define OMBIXD_SERVER_METRICS_H

#include <prometheus/metric_family.h>

#include <cstdint>
#include <vector>

namespace ombixd {

// A call that reached the executor, with the code it answered (none when the
// executor ran out of memory or the list had the wrong length: -1 is not a
// code any call answers, so "none" is shown as such).
void count_call(const char *call, bool answered, std::int32_t code, double seconds) noexcept;
void count_answer(unsigned status) noexcept;
// `endpoint`: "calls" or "metrics".
void count_refusal(const char *endpoint) noexcept;
void connection_opened() noexcept;
void connection_closed() noexcept;
// A board read of a scrape that failed (`call`) or was cut by the deadline.
void count_board_read_failure(const char *call) noexcept;
void count_board_read_deadline() noexcept;
// Audit records written, and those lost (queue full, the sink failing).
void count_audit_record() noexcept;
void count_audit_failure() noexcept;
// The time a failed authentication's answer was held back.
void count_authentication_delay(double seconds) noexcept;

// Every family above, as they stand now.
std::vector<prometheus::MetricFamily> server_families();

}  // namespace ombixd

#endif
