// GET /metrics: the board's state read at scrape time and the server's own
// counters, in the Prometheus text exposition format (version 0.0.4).
#ifndef OMBIXD_METRICS_ENDPOINT_H
#define OMBIXD_METRICS_ENDPOINT_H

#include <string>

#include "keyring.h"
#include "request_handler.h"

namespace ombixd {

inline constexpr char kExpositionType[] = "text/plain; version=0.0.4; charset=utf-8";

struct MetricsSettings {
    enum class Access {
        SameAsCalls,  // any token of the calls (every role may read), if any
        OwnToken,     // `token`
        Open,         // no token
    };
    Access access = Access::SameAsCalls;
    std::string token;
    // The board reads of one scrape stop when this has passed since it began.
    double deadline_s = 5;
};

// Before the server starts.
void use_metrics_settings(const MetricsSettings &settings);
const MetricsSettings &metrics_settings();

// Whether a request for /metrics with this Authorization header (null when
// absent) may scrape, given the keyring of the calls and the caller it
// identified (null: none).
bool metrics_allowed(const char *authorization, const Keyring &calls_keys, const Key *caller);

// The answer to a scrape: 200 with the exposition, whatever the board did.
Answer scrape() noexcept;

}  // namespace ombixd

#endif
