#include "listen_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdlib>
#include <cstring>

namespace ombixd {

bool parse_listen_address(const std::string &text, ListenAddress &address, std::string &error) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 >= text.size()) {
        error = "--listen wants ADDR:PORT, got " + text;
        return false;
    }
    std::string host = text.substr(0, colon);
    std::string port_text = text.substr(colon + 1);
    char *end = nullptr;
    unsigned long port = std::strtoul(port_text.c_str(), &end, 10);
    if (*end != '\0' || port > 65535) {
        error = "bad port in " + text;
        return false;
    }
    address.storage = {};
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        address.host = host.substr(1, host.size() - 2);
        auto *v6 = reinterpret_cast<sockaddr_in6 *>(&address.storage);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        address.ipv6 = true;
        if (inet_pton(AF_INET6, address.host.c_str(), &v6->sin6_addr) == 1) return true;
    } else {
        address.host = host;
        auto *v4 = reinterpret_cast<sockaddr_in *>(&address.storage);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        address.ipv6 = false;
        if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) return true;
    }
    error = "not a numeric address: " + host;
    return false;
}

}  // namespace ombixd
