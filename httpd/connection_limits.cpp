#include "connection_limits.h"

#include <netinet/in.h>

#include <cstring>
#include <new>

namespace ombixd {

ClientKey client_key(const sockaddr *address) {
    ClientKey key{};
    if (address->sa_family == AF_INET) {
        key[0] = 4;
        std::memcpy(&key[1], &reinterpret_cast<const sockaddr_in *>(address)->sin_addr, 4);
    } else if (address->sa_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&v6)) {
            key[0] = 4;
            std::memcpy(&key[1], &v6.s6_addr[12], 4);
        } else {
            key[0] = 6;
            std::memcpy(&key[1], &v6.s6_addr[0], 8);
        }
    }
    return key;
}

bool ConnectionLimits::admit(const ClientKey &client) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_ >= total_) return false;
    try {
        std::size_t &count = per_key_[client];
        if (count >= per_client_) return false;
        ++count;
    } catch (const std::bad_alloc &) {
        return false;
    }
    ++open_;
    return true;
}

void ConnectionLimits::release(const ClientKey &client) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = per_key_.find(client);
    if (found == per_key_.end()) return;
    --open_;
    if (--found->second == 0) per_key_.erase(found);
}

std::size_t ConnectionLimits::open() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

}  // namespace ombixd
