// Requests whose framing is ambiguous or broken. Each is refused with one
// answer and the connection closed; whatever follows it on the connection (here
// a call that would set a backlight) is never run. Well-framed requests in a
// row are each answered, and the connection is kept as the client asks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "raw_http.h"
#include "server_process.h"

namespace {

using ombix::test::RawReply;

// Sets display 0's backlight to 77 when it runs: the board starts at 80.
const std::string kSmuggled =
    "POST /call/OmbixSetBacklightValue HTTP/1.1\r\nHost: x\r\nContent-Length: 49\r\n\r\n"
    R"([{"i":"displayNr","v":0},{"i":"backlight","v":77}])";

std::string head(const std::string &lines) {
    return "POST /call/OmbixGetFanCount HTTP/1.1\r\n" + lines + "\r\n";
}

struct BadFraming {
    const char *what;
    std::string request;  // kSmuggled is sent right behind it
    int status;
};

class Framing : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        ASSERT_TRUE(server.started());
        OMBIX_HTTP_OPTIONS options{server.url().c_str(), nullptr, 5000, nullptr};
        ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
    }
    void TearDown() override { OmbixHttpClose(handle); }

    std::int32_t backlight() {
        std::int32_t value = -1;
        EXPECT_EQ(OmbixR_GetBacklightValue(handle, 0, &value), OMBIX_RC_OK) << OmbixTransportLastError();
        return value;
    }

    ombix::test::ServerProcess server{{"--idle-timeout", "2"}};
    std::int32_t handle = 0;
};

TEST_F(Framing, each_ambiguous_request_gets_one_refusal_and_the_connection_closes_before_anything_behind_it_runs) {
    const BadFraming cases[] = {
        // Two framings at once: the second request hides in the body of one of them.
        {"Content-Length with chunked",
         head("Host: x\r\nContent-Length: 5\r\nTransfer-Encoding: chunked\r\n") + "0\r\n\r\n", 400},
        {"chunked with Content-Length",
         head("Host: x\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n") + "0\r\n\r\n", 400},
        {"two different Content-Lengths", head("Host: x\r\nContent-Length: 0\r\nContent-Length: 2\r\n") + "[]", 400},
        {"the same Content-Length twice", head("Host: x\r\nContent-Length: 2\r\nContent-Length: 2\r\n") + "[]", 400},
        {"a Content-Length list", head("Host: x\r\nContent-Length: 2, 2\r\n") + "[]", 400},
        {"negative Content-Length", head("Host: x\r\nContent-Length: -1\r\n"), 400},
        {"signed Content-Length", head("Host: x\r\nContent-Length: +2\r\n") + "[]", 400},
        {"Content-Length with a space behind it", head("Host: x\r\nContent-Length: 2 \r\n") + "[]", 400},
        {"Content-Length with a space inside", head("Host: x\r\nContent-Length: 2 2\r\n") + "[]", 400},
        {"hexadecimal Content-Length", head("Host: x\r\nContent-Length: 0x2\r\n") + "[]", 400},
        {"Content-Length past 2^64", head("Host: x\r\nContent-Length: 18446744073709551617\r\n"), 400},
        {"empty Content-Length", head("Host: x\r\nContent-Length:\r\n"), 400},
        // Codings the server cannot undo: not implemented, and the body cannot be found.
        {"unknown transfer coding", head("Host: x\r\nTransfer-Encoding: gzip\r\n") + "0\r\n\r\n", 501},
        {"a coding before chunked", head("Host: x\r\nTransfer-Encoding: gzip, chunked\r\n") + "0\r\n\r\n", 501},
        {"chunked twice", head("Host: x\r\nTransfer-Encoding: chunked, chunked\r\n") + "0\r\n\r\n", 501},
        {"bad chunk size", head("Host: x\r\nTransfer-Encoding: chunked\r\n") + "zz\r\n\r\n", 400},
        {"chunk size past 2^64", head("Host: x\r\nTransfer-Encoding: chunked\r\n") + "1ffffffffffffffff\r\n\r\n", 400},
        // Broken heads.
        {"HTTP/1.1 without Host", head(""), 400},
        {"two Hosts", head("Host: x\r\nHost: y\r\n"), 400},
        {"NUL in a path", "POST /call/OmbixGetFanSpeed%00junk HTTP/1.1\r\nHost: x\r\n\r\n", 400},
        {"broken percent escape", "POST /call/OmbixGetFan%zzpeed HTTP/1.1\r\nHost: x\r\n\r\n", 400},
        {"NUL in Authorization", head("Host: x\r\nAuthorization: Bearer a" + std::string(1, '\0') + "b\r\n"), 400},
        {"control character in a header", head("Host: x\r\nX-Note: a\x01z\r\n"), 400},
        {"space before the colon", head("Host: x\r\nContent-Length : 0\r\n"), 400},
        {"line folded header", head("Host: x\r\nX-Note: a\r\n b\r\n"), 400},
        {"no version", "POST /call/OmbixGetFanCount\r\nHost: x\r\n\r\n", 400},
        {"not HTTP", "HELLO\r\n\r\n", 400},
        {"head over 16 KiB", head("Host: x\r\nX-Note: " + std::string(17000, 'a') + "\r\n"), 431},
        {"HTTP/1.2", "POST /call/OmbixGetFanCount HTTP/1.2\r\nHost: x\r\n\r\n", 400},
        {"HTTP/2.0", "POST /call/OmbixGetFanCount HTTP/2.0\r\nHost: x\r\n\r\n", 400},
        {"target not a path", "POST http://x/call/OmbixGetFanCount HTTP/1.1\r\nHost: x\r\n\r\n", 400},
    };
    const std::int32_t initial = backlight();
    ASSERT_NE(initial, 77);
    for (const BadFraming &bad : cases) {
        SCOPED_TRACE(bad.what);
        RawReply reply = ombix::test::exchange(server.port(), bad.request + kSmuggled, 3000);
        EXPECT_EQ(reply.status, bad.status) << reply.text;
        EXPECT_EQ(reply.status_lines, 1) << reply.text;
        EXPECT_TRUE(reply.closed) << reply.text;
        EXPECT_EQ(backlight(), initial);
    }
    EXPECT_TRUE(server.running());
}

TEST_F(Framing, well_framed_requests_in_a_row_on_one_connection_are_each_answered) {
    const std::string get_count = "POST /call/OmbixGetFanCount HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n";
    const std::string chunked =
        "POST /call/OmbixGetFanSpeed HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
        "5\r\n[{\"i\"\r\n10\r\n:\"fanNr\",\"v\":1}]\r\n0\r\n\r\n";
    const std::string query = "GET /calls?x=1 HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string http10 = "GET /calls HTTP/1.0\r\n\r\n";  // no Host needed, and closes after
    RawReply reply = ombix::test::exchange(server.port(), get_count + chunked + query + http10, 3000);
    EXPECT_EQ(reply.status_lines, 4) << reply.text;
    EXPECT_NE(reply.text.find(R"({"i":"rpm","v":1800})"), std::string::npos) << reply.text;
    EXPECT_TRUE(reply.closed);
}

}  // namespace

namespace {

TEST(KeepAlive, http_1_0_keep_alive_clients_keep_their_connection_for_the_call_list_and_for_calls) {
    ombix::test::ServerProcess server;
    ASSERT_TRUE(server.started());
    int socket_fd = ombix::test::connect_loopback(server.port());
    ASSERT_GE(socket_fd, 0);
    const std::string list = "GET /calls HTTP/1.0\r\nConnection: keep-alive\r\n\r\n";
    const std::string call =
        "POST /call/OmbixGetFanCount HTTP/1.0\r\nConnection: Keep-Alive\r\nContent-Length: 0\r\n\r\n";
    for (const std::string &request : {list, call, list}) {
        SCOPED_TRACE(request);
        ASSERT_TRUE(ombix::test::send_all(socket_fd, request));
        RawReply reply = ombix::test::read_reply(socket_fd, 500);
        EXPECT_EQ(reply.status, 200);
        EXPECT_FALSE(reply.closed);
        EXPECT_NE(reply.text.find("\r\nConnection: keep-alive\r\n"), std::string::npos) << reply.text;
    }
    close(socket_fd);
}

}  // namespace
