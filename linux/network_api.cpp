// Network devices: the interfaces under /sys/class/net but loopback, in
// stable order, each with its first IPv4 address (else its first IPv6
// address), its MAC address and its link speed in Mbit/s (-1 where the
// kernel knows none, as for a link that is down).
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if_arp.h>
#include <netinet/in.h>

#include <algorithm>
#include <map>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

struct Interface {
    std::string key;
    std::string name;
};

std::vector<Interface> interfaces(const Board &board) {
    const std::string folder = board.path("/sys/class/net");
    std::vector<Interface> found;
    for (const std::string &name : list_folder(folder)) {
        auto type = read_integer(folder + "/" + name + "/type");
        if (!type || *type == ARPHRD_LOOPBACK) continue;
        found.push_back({stable_key(resolved(folder + "/" + name)) + "/" + name, name});
    }
    std::sort(found.begin(), found.end(), [](const Interface &a, const Interface &b) { return a.key < b.key; });
    return found;
}

// The addresses of the real root's interfaces (a fake root has none).
std::map<std::string, std::string> addresses(const Board &board) {
    std::map<std::string, std::string> ipv4, ipv6;
    if (!board.root.empty()) return ipv4;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) return ipv4;
    for (ifaddrs *a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_name == nullptr) continue;
        char text[INET6_ADDRSTRLEN] = "";
        if (a->ifa_addr->sa_family == AF_INET) {
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in *>(a->ifa_addr)->sin_addr, text, sizeof text);
            ipv4.emplace(a->ifa_name, text);
        } else if (a->ifa_addr->sa_family == AF_INET6) {
            inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6 *>(a->ifa_addr)->sin6_addr, text, sizeof text);
            ipv6.emplace(a->ifa_name, text);
        }
    }
    freeifaddrs(list);
    for (auto &entry : ipv6) ipv4.emplace(entry.first, entry.second);
    return ipv4;
}

}  // namespace

extern "C" {

int32_t OmbixGetNetworkDeviceCount(int32_t, int32_t *networkDeviceCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (networkDeviceCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *networkDeviceCount = static_cast<int32_t>(interfaces(board).size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetNetworkDeviceList(int32_t, NETWORK_DEVICE *networkDevices, int32_t networkDeviceCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (networkDeviceCount < 0 || (networkDevices == nullptr && networkDeviceCount > 0)) {
            return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        }
        std::vector<Interface> found = interfaces(board);
        std::map<std::string, std::string> ips = addresses(board);
        std::size_t n = std::min(found.size(), static_cast<std::size_t>(networkDeviceCount));
        for (std::size_t i = 0; i < n; ++i) {
            const std::string folder = board.path("/sys/class/net/" + found[i].name);
            NETWORK_DEVICE &d = networkDevices[i];
            set_text(d.deviceName, found[i].name);
            set_text(d.mac, read_text(folder + "/address").value_or(""));
            auto ip = ips.find(found[i].name);
            set_text(d.ip, ip == ips.end() ? "" : ip->second);
            auto speed = read_integer(folder + "/speed");  // EINVAL while the link is down
            d.speed = speed && *speed >= 0 && *speed <= INT32_MAX ? static_cast<int32_t>(*speed) : -1;
        }
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
