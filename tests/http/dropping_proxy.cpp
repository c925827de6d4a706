#include "dropping_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "raw_http.h"

namespace ombix::test {

DroppingProxy::DroppingProxy(unsigned short upstream_port, int drop_at, std::function<void()> on_drop)
    : upstream_port_(upstream_port), drop_at_(drop_at), on_drop_(std::move(on_drop)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr *>(&address), length) == 0 && listen(listener_, 16) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

DroppingProxy::~DroppingProxy() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

void DroppingProxy::run() {
    struct Pair {
        int client;
        int server;
    };
    std::vector<Pair> pairs;
    char block[65536];
    while (!stop_) {
        std::vector<pollfd> watched{{listener_, POLLIN, 0}};
        for (const Pair &pair : pairs) {
            watched.push_back({pair.client, POLLIN, 0});
            watched.push_back({pair.server, POLLIN, 0});
        }
        if (poll(watched.data(), watched.size(), 50) <= 0) continue;
        const std::size_t watched_pairs = pairs.size();  // a pair accepted now is watched next time
        if (watched[0].revents & POLLIN) {
            int client = accept(listener_, nullptr, nullptr);
            int server = connect_loopback(upstream_port_);
            if (server < 0)
                close(client);  // nothing behind the proxy any more
            else
                pairs.push_back({client, server});
        }
        std::vector<Pair> open(pairs.begin() + static_cast<std::ptrdiff_t>(watched_pairs), pairs.end());
        for (std::size_t k = 0; k < watched_pairs; ++k) {
            Pair pair = pairs[k];
            bool broken = false;
            if (watched[1 + 2 * k].revents & (POLLIN | POLLHUP | POLLERR)) {
                ssize_t got = recv(pair.client, block, sizeof block, 0);
                broken = got <= 0 || !send_all(pair.server, std::string(block, static_cast<std::size_t>(got)));
            }
            if (!broken && (watched[2 + 2 * k].revents & (POLLIN | POLLHUP | POLLERR))) {
                ssize_t got = recv(pair.server, block, sizeof block, 0);
                std::string bytes(block, got > 0 ? static_cast<std::size_t>(got) : 0);
                // Our clients wait for each answer before the next request:
                // an answer begins a read of its own.
                if (bytes.rfind("HTTP/1.", 0) == 0 && ++answers_ == drop_at_) {
                    if (on_drop_) on_drop_();
                    broken = true;
                } else {
                    broken = got <= 0 || !send_all(pair.client, bytes);
                }
            }
            if (broken) {
                close(pair.client);
                close(pair.server);
            } else {
                open.push_back(pair);
            }
        }
        pairs = std::move(open);
    }
    for (const Pair &pair : pairs) {
        close(pair.client);
        close(pair.server);
    }
}

}  // namespace ombix::test
