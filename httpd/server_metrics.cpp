#include "server_metrics.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>

#include <new>
#include <string>

#ifndef OMBIX_VERSION
#define OMBIX_VERSION "unknown"
#endif

namespace ombixd {
namespace {

using prometheus::BuildCounter;
using prometheus::BuildGauge;
using prometheus::BuildHistogram;

// A board call takes microseconds on the simulated board and up to tens of
// milliseconds on a real bus: buckets from 25 µs to 2.5 s.
prometheus::Histogram::BucketBoundaries call_buckets() {
    return {0.000025, 0.00005, 0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005,
            0.01,     0.025,   0.05,   0.1,     0.25,   0.5,   1,      2.5};
}

struct Metrics {
    prometheus::Registry registry;
    prometheus::Family<prometheus::Counter> &calls =
        BuildCounter()
            .Name("ombix_calls_total")
            .Help("Calls run by the executor, by call name and return code.")
            .Register(registry);
    prometheus::Family<prometheus::Histogram> &durations = BuildHistogram()
                                                               .Name("ombix_call_duration_seconds")
                                                               .Help("Time the executor took for a call, by call name.")
                                                               .Register(registry);
    prometheus::Family<prometheus::Counter> &answers =
        BuildCounter().Name("ombix_http_responses_total").Help("HTTP answers sent, by status.").Register(registry);
    prometheus::Family<prometheus::Counter> &refusals =
        BuildCounter()
            .Name("ombix_authentication_refusals_total")
            .Help("Requests refused for a missing or wrong bearer token, by endpoint.")
            .Register(registry);
    prometheus::Gauge &connections = BuildGauge()
                                         .Name("ombix_connections_open")
                                         .Help("Connections the server holds now.")
                                         .Register(registry)
                                         .Add({});
    prometheus::Family<prometheus::Counter> &read_failures =
        BuildCounter()
            .Name("ombix_board_read_failures_total")
            .Help("Board reads of a scrape that failed, by call name; the series of that read are left out.")
            .Register(registry);
    prometheus::Counter &read_deadlines = BuildCounter()
                                              .Name("ombix_board_read_deadline_exceeded_total")
                                              .Help("Scrapes whose board reads were cut short by the scrape deadline.")
                                              .Register(registry)
                                              .Add({});

    prometheus::Counter &audit_records = BuildCounter()
                                             .Name("ombix_audit_records_total")
                                             .Help("Audit records of calls that change the board, written.")
                                             .Register(registry)
                                             .Add({});
    prometheus::Counter &audit_failures =
        BuildCounter()
            .Name("ombix_audit_failures_total")
            .Help("Audit records that could not be written; their calls ran all the same.")
            .Register(registry)
            .Add({});
    prometheus::Counter &authentication_delay =
        BuildCounter()
            .Name("ombix_authentication_delay_seconds_total")
            .Help("Time answers to repeated authentication failures were held back.")
            .Register(registry)
            .Add({});

    Metrics() {
        BuildGauge()
            .Name("ombix_build_info")
            .Help("The build of ombixd, as labels; always 1.")
            .Register(registry)
            .Add({{"version", OMBIX_VERSION}})
            .Set(1);
    }
};

Metrics &metrics() {
    static Metrics instance;
    return instance;
}

}  // namespace

void count_call(const char *call, bool answered, std::int32_t code, double seconds) noexcept {
    try {
        Metrics &m = metrics();
        m.calls.Add({{"call", call}, {"code", answered ? std::to_string(code) : "none"}}).Increment();
        m.durations.Add({{"call", call}}, call_buckets()).Observe(seconds);
    } catch (const std::exception &) {
        // Without memory the call goes uncounted; it was answered all the same.
    }
}

void count_answer(unsigned status) noexcept {
    try {
        metrics().answers.Add({{"status", std::to_string(status)}}).Increment();
    } catch (const std::exception &) {
    }
}

void count_refusal(const char *endpoint) noexcept {
    try {
        metrics().refusals.Add({{"endpoint", endpoint}}).Increment();
    } catch (const std::exception &) {
    }
}

void connection_opened() noexcept {
    try {
        metrics().connections.Increment();
    } catch (const std::exception &) {
    }
}

void connection_closed() noexcept {
    try {
        metrics().connections.Decrement();
    } catch (const std::exception &) {
    }
}

void count_board_read_failure(const char *call) noexcept {
    try {
        metrics().read_failures.Add({{"call", call}}).Increment();
    } catch (const std::exception &) {
    }
}

void count_board_read_deadline() noexcept {
    try {
        metrics().read_deadlines.Increment();
    } catch (const std::exception &) {
    }
}

void count_audit_record() noexcept {
    try {
        metrics().audit_records.Increment();
    } catch (const std::exception &) {
    }
}

void count_audit_failure() noexcept {
    try {
        metrics().audit_failures.Increment();
    } catch (const std::exception &) {
    }
}

void count_authentication_delay(double seconds) noexcept {
    try {
        metrics().authentication_delay.Increment(seconds);
    } catch (const std::exception &) {
    }
}

std::vector<prometheus::MetricFamily> server_families() {
    return metrics().registry.Collect();
}

}  // namespace ombixd
