// Hand-made HTTP exchanges, for requests no well-behaved client would send.
#ifndef OMBIX_TEST_HTTP_RAW_HTTP_H
#define OMBIX_TEST_HTTP_RAW_HTTP_H

#include <string>

namespace ombix::test {

struct RawReply {
    int status = 0;        // 0 when no status line came back
    std::string body;      // everything after the header block
    bool closed = false;   // the server closed the connection
    std::string text;      // every byte received
    int status_lines = 0;  // how many answers began (status lines)
};

// Connects to 127.0.0.1:port; -1 on failure.
int connect_loopback(unsigned short port);
// The same from another loopback address ("127.0.0.2"), giving up after
// `timeout_ms` when the server's backlog is full.
int connect_loopback_from(unsigned short port, const char *source, int timeout_ms = 1000);
bool send_all(int socket, const std::string &bytes);
// Reads until the server closes or `timeout_ms` passes without data.
RawReply read_reply(int socket, int timeout_ms);

// Sends `request` (written whole, with its own headers) and reads the reply.
RawReply exchange(unsigned short port, const std::string &request, int timeout_ms = 5000);

// A POST /call/<name> with "Connection: close" and `body`.
std::string post_request(const std::string &name, const std::string &body, const std::string &extra_headers = "");

}  // namespace ombix::test

#endif
