// A loopback TCP proxy in front of a server that loses one answer: the
// connection breaks after the server received a request and answered it, but
// before the client sees the answer. Real servers and networks do this only
// by accident; the proxy does it on cue.
#ifndef OMBIX_TEST_HTTP_DROPPING_PROXY_H
#define OMBIX_TEST_HTTP_DROPPING_PROXY_H

#include <atomic>
#include <functional>
#include <thread>

namespace ombix::test {

class DroppingProxy {
public:
    // Forwards every connection made to port() to 127.0.0.1:upstream_port.
    // The `drop_at`-th answer (1-based, over all connections) is not passed
    // on: `on_drop` runs, then both sides of that connection are closed.
    DroppingProxy(unsigned short upstream_port, int drop_at, std::function<void()> on_drop = {});
    ~DroppingProxy();
    DroppingProxy(const DroppingProxy &) = delete;
    DroppingProxy &operator=(const DroppingProxy &) = delete;

    unsigned short port() const { return port_; }
    int answers_seen() const { return answers_; }

private:
    void run();

    unsigned short upstream_port_;
    int drop_at_;
    std::function<void()> on_drop_;
    int listener_ = -1;
    unsigned short port_ = 0;
    std::atomic<int> answers_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace ombix::test

#endif
