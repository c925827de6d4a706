// How many connections the server holds, in all and per client address, so
// that one address cannot take every slot.
#ifndef OMBIXD_CONNECTION_LIMITS_H
#define OMBIXD_CONNECTION_LIMITS_H

#include <sys/socket.h>

#include <array>
#include <cstddef>
#include <map>
#include <mutex>

namespace ombixd {

// The part of a peer address that counts as one client: an IPv4 address
// (also when it arrives mapped into IPv6), or the /64 network of an IPv6
// address, since one host may hold a whole /64.
using ClientKey = std::array<unsigned char, 9>;  // family tag + up to 8 bytes
ClientKey client_key(const sockaddr *address);

class ConnectionLimits {
public:
    ConnectionLimits(std::size_t total, std::size_t per_client) : total_(total), per_client_(per_client) {}

    // Takes a slot for a new connection; false (and nothing taken) when the
    // server or this client is at its limit.
    bool admit(const ClientKey &client);
    void release(const ClientKey &client);
    std::size_t open() const;

private:
    const std::size_t total_;
    const std::size_t per_client_;
    mutable std::mutex mutex_;
    std::size_t open_ = 0;
    std::map<ClientKey, std::size_t> per_key_;
};

}  // namespace ombixd

#endif
