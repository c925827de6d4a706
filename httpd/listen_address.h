// The address given to --listen: "127.0.0.1:8711" or "[::1]:8711".
#ifndef OMBIXD_LISTEN_ADDRESS_H
#define OMBIXD_LISTEN_ADDRESS_H

#include <sys/socket.h>

#include <string>

namespace ombixd {

struct ListenAddress {
    sockaddr_storage storage{};
    bool ipv6 = false;
    std::string host;  // as written, without brackets
};

// Numeric addresses only: the server never resolves names.
bool parse_listen_address(const std::string &text, ListenAddress &address, std::string &error);

}  // namespace ombixd

#endif
