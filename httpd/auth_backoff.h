// How long the answer to a failed authentication waits, per client address:
// nothing the first time a quiet address fails, then a delay that doubles
// with every further failure up to a cap, forgotten after a success or a
// quiet period. The table of addresses is bounded, so that an attacker who
// cycles through addresses cannot grow it: when full, the address whose
// last failure is oldest makes room.
#ifndef OMBIXD_AUTH_BACKOFF_H
#define OMBIXD_AUTH_BACKOFF_H

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>

#include "connection_limits.h"

namespace ombixd {

struct BackoffPolicy {
    std::chrono::milliseconds first{100};  // the delay of the second failure in a row
    std::chrono::milliseconds cap{4000};
    std::chrono::seconds quiet{60};  // an address without failures this long starts afresh
    std::size_t max_addresses = 4096;
};

class AuthBackoff {
public:
    using Clock = std::chrono::steady_clock;

    explicit AuthBackoff(BackoffPolicy policy = {}) : policy_(policy) {}

    // Counts a failure of `client` at `now`; how long its answer waits.
    std::chrono::milliseconds failed(const ClientKey &client, Clock::time_point now);
    // A request of `client` authenticated: its failures are forgotten.
    void succeeded(const ClientKey &client);
    std::size_t addresses() const;

private:
    struct Failures {
        unsigned count = 0;
        Clock::time_point last;
    };

    const BackoffPolicy policy_;
    mutable std::mutex mutex_;
    std::map<ClientKey, Failures> table_;
};

}  // namespace ombixd

#endif
