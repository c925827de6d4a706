#include "auth_backoff.h"

#include <algorithm>

namespace ombixd {

std::chrono::milliseconds AuthBackoff::failed(const ClientKey &client, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = table_.find(client);
    if (found == table_.end()) {
        if (table_.size() >= policy_.max_addresses && !table_.empty()) {
            auto oldest = std::min_element(table_.begin(), table_.end(),
                                           [](const auto &a, const auto &b) { return a.second.last < b.second.last; });
            table_.erase(oldest);
        }
        found = table_.emplace(client, Failures{}).first;
    }
    Failures &failures = found->second;
    if (failures.count > 0 && now - failures.last >= policy_.quiet) failures.count = 0;
    failures.last = now;
    // Saturates well before the shift could overflow.
    failures.count = std::min(failures.count + 1, 32u);
    if (failures.count == 1) return std::chrono::milliseconds(0);
    std::chrono::milliseconds delay = policy_.first;
    for (unsigned k = 2; k < failures.count && delay < policy_.cap; ++k) delay *= 2;
    return std::min(delay, policy_.cap);
}

void AuthBackoff::succeeded(const ClientKey &client) {
    std::lock_guard<std::mutex> lock(mutex_);
    table_.erase(client);
}

std::size_t AuthBackoff::addresses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return table_.size();
}

}  // namespace ombixd
