#include "raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace ombix::test {

int connect_loopback(unsigned short port) {
    int socket_fd = socket(AF_INET, SOCK_STREAM, 0);
    if (socket_fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(socket_fd);
        return -1;
    }
    return socket_fd;
}

int connect_loopback_from(unsigned short port, const char *source, int timeout_ms) {
    int socket_fd = socket(AF_INET, SOCK_STREAM, 0);
    if (socket_fd < 0) return -1;
    timeval timeout{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    setsockopt(socket_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(socket_fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        connect(socket_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(socket_fd);
        return -1;
    }
    return socket_fd;
}

bool send_all(int socket, const std::string &bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t now = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (now <= 0) return false;
        sent += static_cast<std::size_t>(now);
    }
    return true;
}

RawReply read_reply(int socket, int timeout_ms) {
    RawReply reply;
    std::string text;
    char block[4096];
    for (;;) {
        pollfd wait_for{socket, POLLIN, 0};
        if (poll(&wait_for, 1, timeout_ms) <= 0) break;
        ssize_t got = recv(socket, block, sizeof block, 0);
        if (got <= 0) {
            reply.closed = true;
            break;
        }
        text.append(block, static_cast<std::size_t>(got));
    }
    if (text.rfind("HTTP/1.", 0) == 0 && text.size() > 12) reply.status = std::atoi(text.c_str() + 9);
    // Answers follow each other without a separator; no body of ours holds this text.
    for (std::size_t at = text.find("HTTP/1."); at != std::string::npos; at = text.find("HTTP/1.", at + 1))
        ++reply.status_lines;
    std::size_t end = text.find("\r\n\r\n");
    if (end != std::string::npos) reply.body = text.substr(end + 4);
    reply.text = std::move(text);
    return reply;
}

RawReply exchange(unsigned short port, const std::string &request, int timeout_ms) {
    int socket_fd = connect_loopback(port);
    if (socket_fd < 0) return {};
    send_all(socket_fd, request);
    RawReply reply = read_reply(socket_fd, timeout_ms);
    close(socket_fd);
    return reply;
}

std::string post_request(const std::string &name, const std::string &body, const std::string &extra_headers) {
    return "POST /call/" + name + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + extra_headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace ombix::test
