#include "server.h"

#include <sys/socket.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "answer_memory.h"
#include "auth_backoff.h"
#include "client_certificates.h"
#include "connection_limits.h"
#include "conversation.h"
#include "server_metrics.h"

namespace ombixd {
namespace {

namespace beast = boost::beast;
namespace net = boost::asio;
namespace ssl = boost::asio::ssl;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadBlock = 16 * 1024;
// Room for a whole request head plus one read beyond it.
constexpr std::size_t kMaxBuffered = kMaxHeadBytes + kReadBlock;
// After a final answer the server reads and drops what the client still
// sends, so that closing does not reset the connection under the answer;
// at most this long and this much.
constexpr auto kLingerTime = std::chrono::seconds(2);
constexpr std::size_t kMaxLingerBytes = 4 * kMaxBodyBytes;
// How long stop_server waits for requests in progress.
constexpr auto kStopWait = std::chrono::seconds(5);
// After the process runs out of descriptors, accepting pauses this long.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);

// Sent, without waiting, to a connection over a limit before it is closed.
constexpr char kTooManyConnections[] =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: 32\r\n"
    "Connection: close\r\n\r\n{\"error\":\"too many connections\"}";
static_assert(sizeof "{\"error\":\"too many connections\"}" - 1 == 32);

class Session;

}  // namespace

// One event loop per thread, each connection on one of them for its whole
// life: no handler of a connection runs on two threads, and no thread hands
// work to another.
std::vector<std::unique_ptr<net::io_context>> make_loops(unsigned count) {
    std::vector<std::unique_ptr<net::io_context>> loops;
    for (unsigned k = 0; k < std::max(count, 1u); ++k) loops.push_back(std::make_unique<net::io_context>(1));
    return loops;
}

struct Server {
    explicit Server(const ServerSettings &settings_)
        : settings(settings_),
          limits(settings_.max_connections, settings_.max_connections_per_address),
          loops(make_loops(settings_.threads)),
          acceptor(*loops.front()),
          accept_pause(*loops.front()) {}

    const ServerSettings &settings;
    ConnectionLimits limits;
    AnswerMemory memory;
    AuthBackoff backoff;
    std::optional<ssl::context> tls;
    std::mutex sessions_mutex;
    std::list<std::weak_ptr<Session>> sessions;
    std::atomic<bool> stopping{false};
    // Declared after what sessions use: destroyed first, with any session
    // their handlers still hold.
    std::vector<std::unique_ptr<net::io_context>> loops;
    std::size_t next_loop = 0;  // the loop of the next connection (accepting is on the first)
    // Keep each loop running while it has no connection, until the server stops.
    std::vector<net::executor_work_guard<net::io_context::executor_type>> keep_running;
    tcp::acceptor acceptor;
    net::steady_timer accept_pause;
    std::vector<std::thread> threads;
};

namespace {

// One connection: reads what the client sends into its conversation and
// writes back what the conversation answers, within the deadlines.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(Server &server, tcp::socket socket, const ClientKey &client, std::string peer)
        : server_(server),
          client_(client),
          timer_(socket.get_executor()),
          hold_timer_(socket.get_executor()),
          conversation_(server.settings.keys, &server.memory) {
        conversation_.set_peer(std::move(peer));
        if (server.tls)
            tls_stream_.emplace(std::move(socket), *server.tls);
        else
            plain_stream_.emplace(std::move(socket));
        connection_opened();
    }

    ~Session() {
        connection_closed();
        server_.limits.release(client_);
        if (!registered_) return;
        std::lock_guard<std::mutex> lock(server_.sessions_mutex);
        server_.sessions.erase(registration_);
    }

    void registered(std::list<std::weak_ptr<Session>>::iterator where) {
        registration_ = where;
        registered_ = true;
    }

    void start() {
        if (!tls_stream_) return read();
        set_deadline(Clock::now() + std::chrono::seconds(server_.settings.request_timeout_s));
        tls_stream_->async_handshake(ssl::stream_base::server, [self = shared_from_this()](beast::error_code error) {
            if (error) return self->close();
            if (!self->server_.settings.tls_client_ca_pem.empty())
                self->conversation_.set_client_subject(verified_subject(self->tls_stream_->native_handle()));
            self->read();
        });
    }

    // From any thread.
    void stop() {
        net::post(tcp_layer().get_executor(), [self = shared_from_this()] {
            self->conversation_.stop();
            // An idle connection goes now; one mid-request is closed after its answer.
            if (self->conversation_.state() == Conversation::State::Closing && !self->writing_) self->close();
        });
    }

private:
    tcp::socket &tcp_layer() { return tls_stream_ ? tls_stream_->next_layer() : *plain_stream_; }

    // One timer per connection, armed again only when a deadline comes
    // sooner than the one it waits for: most deadlines move later, and
    // moving one later costs nothing until the timer fires.
    void set_deadline(Clock::time_point when) {
        deadline_ = when;
        if (!timer_waiting_ || when < timer_.expiry()) {
            timer_.expires_at(when);
            wait_for_deadline();
        }
    }

    void wait_for_deadline() {
        timer_waiting_ = true;
        timer_.async_wait([self = shared_from_this()](beast::error_code error) {
            if (error == net::error::operation_aborted) return;  // re-armed or closed
            self->timer_waiting_ = false;
            if (self->closed_) return;
            if (Clock::now() >= self->deadline_) return self->close();
            self->timer_.expires_at(self->deadline_);
            self->wait_for_deadline();
        });
    }

    template <class Buffers, class Handler>
    void read_some(const Buffers &buffers, Handler &&handler) {
        if (tls_stream_)
            tls_stream_->async_read_some(buffers, std::forward<Handler>(handler));
        else
            plain_stream_->async_read_some(buffers, std::forward<Handler>(handler));
    }

    void read() {
        // Silence is bounded by the idle timeout at any point; a request once
        // begun must also be complete by its own deadline, however it trickles.
        auto deadline = Clock::now() + std::chrono::seconds(server_.settings.idle_timeout_s);
        if (conversation_.request_started()) deadline = std::min(deadline, request_deadline_);
        set_deadline(deadline);
        const std::size_t room = std::min(kReadBlock, buffer_.max_size() - buffer_.size());
        if (room == 0) return close();
        read_some(buffer_.prepare(room), [self = shared_from_this()](beast::error_code error, std::size_t size) {
            self->on_read(error, size);
        });
    }

    void on_read(beast::error_code error, std::size_t size) {
        if (error) {
            // The client went away, broke the connection or ran out of time:
            // nothing is answered, and the slot is free at once.
            return close();
        }
        buffer_.commit(size);
        converse();
    }

    // Hands the buffered bytes to the conversation and does what it asks.
    void converse() {
        if (buffer_.size() > 0) {
            const bool started = conversation_.request_started();
            const auto *data = static_cast<const char *>(buffer_.data().data());
            buffer_.consume(conversation_.receive(data, buffer_.size()));
            if (!started && conversation_.request_started())
                request_deadline_ = Clock::now() + std::chrono::seconds(server_.settings.request_timeout_s);
        }
        switch (conversation_.state()) {
            case Conversation::State::Reading:
                if (buffer_.size() >= kMaxBuffered) return close();  // cannot happen: the head limit comes first
                return read();
            case Conversation::State::Writing:
            case Conversation::State::Closing: return answer();
        }
    }

    // Repeated authentication failures from one address have their answer
    // held back on a timer, so that guessing tokens is slow while the
    // thread serves its other connections meanwhile.
    void answer() {
        const Conversation::Auth auth = conversation_.take_auth();
        if (auth == Conversation::Auth::Passed) server_.backoff.succeeded(client_);
        if (auth == Conversation::Auth::Failed) {
            const auto delay = server_.backoff.failed(client_, Clock::now());
            if (delay.count() > 0) return hold_back(delay);
        }
        write();
    }

    void hold_back(std::chrono::milliseconds delay) {
        count_authentication_delay(std::chrono::duration<double>(delay).count());
        writing_ = true;  // a stopping server sends the answer before it closes
        set_deadline(Clock::now() + delay + std::chrono::seconds(server_.settings.request_timeout_s));
        hold_timer_.expires_after(delay);
        hold_timer_.async_wait([self = shared_from_this()](beast::error_code error) {
            if (error || self->closed_) return;
            self->write();
        });
    }

    void write() {
        if (conversation_.output().empty()) return close();
        writing_ = true;
        set_deadline(Clock::now() + std::chrono::seconds(server_.settings.request_timeout_s));
        auto done = [self = shared_from_this()](beast::error_code error, std::size_t) { self->on_write(error); };
        if (tls_stream_)
            net::async_write(*tls_stream_, net::buffer(conversation_.output()), std::move(done));
        else
            net::async_write(*plain_stream_, net::buffer(conversation_.output()), std::move(done));
    }

    void on_write(beast::error_code error) {
        writing_ = false;
        if (error) return close();
        if (conversation_.state() == Conversation::State::Closing) return linger();
        conversation_.output_sent();
        converse();  // a request sent right behind the last one may be buffered already
    }

    // Stops sending, then reads and drops what still arrives, so that the
    // close does not reset the connection before the client read the answer.
    void linger() {
        beast::error_code ignored;
        tcp_layer().shutdown(tcp::socket::shutdown_send, ignored);
        set_deadline(Clock::now() + kLingerTime);
        drain();
    }

    void drain() {
        tcp_layer().async_read_some(net::buffer(scratch_),
                                    [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                        self->lingered_ += size;
                                        if (error || self->lingered_ > kMaxLingerBytes) return self->close();
                                        self->drain();
                                    });
    }

    void close() {
        beast::error_code ignored;
        closed_ = true;
        tcp_layer().shutdown(tcp::socket::shutdown_both, ignored);
        tcp_layer().close(ignored);
        timer_.cancel();
        hold_timer_.cancel();
    }

    Server &server_;
    const ClientKey client_;
    std::optional<tcp::socket> plain_stream_;
    std::optional<beast::ssl_stream<tcp::socket>> tls_stream_;
    net::steady_timer timer_;
    net::steady_timer hold_timer_;
    Clock::time_point deadline_;
    bool timer_waiting_ = false;
    bool closed_ = false;
    beast::flat_buffer buffer_{kMaxBuffered};
    Conversation conversation_;
    Clock::time_point request_deadline_;
    bool writing_ = false;
    std::size_t lingered_ = 0;
    char scratch_[4096];
    std::list<std::weak_ptr<Session>>::iterator registration_;
    bool registered_ = false;
};

// Over a limit: told so in passing and closed, without waiting for anything.
void refuse(tcp::socket &socket) {
    ssize_t sent = ::send(socket.native_handle(), kTooManyConnections, sizeof kTooManyConnections - 1,
                          MSG_DONTWAIT | MSG_NOSIGNAL);
    (void)sent;
    count_answer(503);
    beast::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

void accept(Server &server);

// "127.0.0.1:40112" or "[::1]:40112"; an IPv4 client on an IPv6 socket shows as IPv4.
std::string peer_text(const tcp::endpoint &peer) {
    net::ip::address address = peer.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6());
    const std::string host = address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
    return host + ":" + std::to_string(peer.port());
}

void on_accept(Server &server, beast::error_code error, tcp::socket socket) {
    if (server.stopping || error == net::error::operation_aborted) return;
    if (error && error != net::error::no_descriptors && error != net::error::no_buffer_space &&
        error != net::error::no_memory) {
        return accept(server);  // a client that gave up before it was accepted, and the like
    }
    if (error) {
        // Out of descriptors or memory: pause instead of spinning, then go on.
        server.accept_pause.expires_after(kAcceptPause);
        server.accept_pause.async_wait([&server](beast::error_code waited) {
            if (!waited) accept(server);
        });
        return;
    }
    beast::error_code peer_error;
    tcp::endpoint peer = socket.remote_endpoint(peer_error);
    ClientKey client = client_key(peer.data());
    if (peer_error || !server.limits.admit(client)) {
        refuse(socket);
        return accept(server);
    }
    try {
        auto session = std::make_shared<Session>(server, std::move(socket), client, peer_text(peer));
        {
            std::lock_guard<std::mutex> lock(server.sessions_mutex);
            server.sessions.push_back(session);
            session->registered(std::prev(server.sessions.end()));
        }
        session->start();
    } catch (const std::exception &) {
        // Out of memory for this connection; the socket closes with it.
    }
    accept(server);
}

void accept(Server &server) {
    net::io_context &loop = *server.loops[server.next_loop++ % server.loops.size()];
    server.acceptor.async_accept(
        loop, [&server](beast::error_code error, tcp::socket socket) { on_accept(server, error, std::move(socket)); });
}

tcp::endpoint endpoint_of(const ListenAddress &address) {
    tcp::endpoint endpoint;
    std::size_t size = address.ipv6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    std::memcpy(endpoint.data(), &address.storage, size);
    endpoint.resize(size);
    return endpoint;
}

bool set_up_tls(Server &server) {
    const ServerSettings &settings = server.settings;
    server.tls.emplace(ssl::context::tls_server);
    beast::error_code error;
    server.tls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                                ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1,
                            error);
    server.tls->use_certificate_chain(net::buffer(settings.tls_cert_pem), error);
    if (error) return false;
    server.tls->use_private_key(net::buffer(settings.tls_key_pem), ssl::context::pem, error);
    if (error) return false;
    std::string why;
    return settings.tls_client_ca_pem.empty() ||
           ask_for_client_certificates(server.tls->native_handle(), settings.tls_client_ca_pem, why);
}

bool listen(Server &server) {
    beast::error_code error;
    tcp::endpoint endpoint = endpoint_of(server.settings.address);
    server.acceptor.open(endpoint.protocol(), error);
    if (!error) server.acceptor.set_option(net::socket_base::reuse_address(true), error);
    if (!error) server.acceptor.bind(endpoint, error);
    if (!error) server.acceptor.listen(net::socket_base::max_listen_connections, error);
    return !error;
}

}  // namespace

Server *start_server(const ServerSettings &settings, std::string &error) {
    std::unique_ptr<Server> server;
    try {
        server = std::make_unique<Server>(settings);
        const bool tls = !settings.tls_cert_pem.empty();
        if (tls && !set_up_tls(*server)) {
            error = "the TLS certificate, key or client authority is unusable";
            return nullptr;
        }
        if (!listen(*server)) {
            error = "cannot listen on " + settings.address.host;
            return nullptr;
        }
        accept(*server);
        for (auto &loop : server->loops) {
            server->keep_running.push_back(net::make_work_guard(*loop));
            server->threads.emplace_back([io = loop.get()] { io->run(); });
        }
    } catch (const std::exception &failure) {
        error = std::string("cannot start: ") + failure.what();
        if (server) {
            for (auto &loop : server->loops) loop->stop();
            for (std::thread &thread : server->threads) thread.join();
        }
        return nullptr;
    }
    return server.release();
}

unsigned short server_port(const Server *server) {
    beast::error_code error;
    return server->acceptor.local_endpoint(error).port();
}

void stop_server(Server *server) {
    if (server == nullptr) return;
    server->stopping = true;
    net::post(*server->loops.front(), [server] {
        beast::error_code ignored;
        server->acceptor.close(ignored);
        server->accept_pause.cancel();
    });
    // Taken out under the lock, stopped and let go outside it: a session
    // that ends here takes the lock in its destructor.
    std::vector<std::shared_ptr<Session>> open_sessions;
    {
        std::lock_guard<std::mutex> lock(server->sessions_mutex);
        for (const std::weak_ptr<Session> &weak : server->sessions)
            if (auto session = weak.lock()) open_sessions.push_back(std::move(session));
    }
    for (const auto &session : open_sessions) session->stop();
    open_sessions.clear();
    for (auto &guard : server->keep_running) guard.reset();
    // The threads return once the last connection is gone; requests still
    // arriving get until the deadline.
    auto deadline = Clock::now() + kStopWait;
    while (server->limits.open() > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (auto &loop : server->loops) loop->stop();
    for (std::thread &thread : server->threads) thread.join();
    delete server;
}

}  // namespace ombixd
