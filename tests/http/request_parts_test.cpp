// The parts of ombixd that read a request before any call runs: the request
// target, connection limits, and the conversation fed bytes in every split.
// The framing checks are tested through a server in framing_test.cpp.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <cstring>
#include <string>

#include "connection_limits.h"
#include "conversation.h"
#include "request_target.h"

namespace {

TEST(RequestTarget, decodes_a_path_and_refuses_what_could_cut_or_hide_a_name) {
    const struct {
        const char *target;
        const char *path;  // null: refused
    } cases[] = {
        {"/call/OmbixGetFanSpeed", "/call/OmbixGetFanSpeed"},
        {"/calls?x=1", "/calls"},
        {"/calls#top", "/calls"},
        {"/call/Ombix%47etFanSpeed", "/call/OmbixGetFanSpeed"},
        {"/call%2fOmbixGetFanSpeed", "/call/OmbixGetFanSpeed"},
        {"/call/OmbixGetFanSpeed%00junk", nullptr},
        {"/call/OmbixGetFanSpeed%0", nullptr},
        {"/call/OmbixGetFanSpeed%", nullptr},
        {"/call/Ombix%g0", nullptr},
        {"http://x/calls", nullptr},
        {"*", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target);
        std::string path;
        bool ok = ombixd::decode_path(c.target, path);
        EXPECT_EQ(ok, c.path != nullptr);
        if (ok && c.path != nullptr) {
            EXPECT_EQ(path, c.path);
        }
    }
}

sockaddr_in6 ipv6(const char *prefix_bytes, unsigned char last) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    std::memcpy(&address.sin6_addr, prefix_bytes, 8);
    address.sin6_addr.s6_addr[15] = last;
    return address;
}

TEST(ConnectionLimits, count_per_client_and_in_all_and_free_a_slot_on_release) {
    sockaddr_in first{};
    first.sin_family = AF_INET;
    first.sin_addr.s_addr = htonl(0x7F000001);
    sockaddr_in second = first;
    second.sin_addr.s_addr = htonl(0x7F000002);
    const auto a = ombixd::client_key(reinterpret_cast<sockaddr *>(&first));
    const auto b = ombixd::client_key(reinterpret_cast<sockaddr *>(&second));

    ombixd::ConnectionLimits limits(3, 2);
    EXPECT_TRUE(limits.admit(a));
    EXPECT_TRUE(limits.admit(a));
    EXPECT_FALSE(limits.admit(a));  // a's share is taken
    EXPECT_TRUE(limits.admit(b));
    EXPECT_FALSE(limits.admit(b));  // the server is full
    EXPECT_EQ(limits.open(), 3u);
    limits.release(a);
    EXPECT_TRUE(limits.admit(b));
    EXPECT_FALSE(limits.admit(a));
    limits.release(b);
    limits.release(b);
    limits.release(a);
    EXPECT_EQ(limits.open(), 0u);
}

TEST(ConnectionLimits, an_ipv6_network_counts_as_one_client_and_a_mapped_ipv4_address_as_itself) {
    const char net_one[8] = {0x20, 0x01, 0x0d, static_cast<char>(0xb8), 0, 0, 0, 1};
    const char net_two[8] = {0x20, 0x01, 0x0d, static_cast<char>(0xb8), 0, 0, 0, 2};
    sockaddr_in6 host_one = ipv6(net_one, 1), host_two = ipv6(net_one, 2), other_net = ipv6(net_two, 1);
    auto key = [](const auto &address) { return ombixd::client_key(reinterpret_cast<const sockaddr *>(&address)); };
    EXPECT_EQ(key(host_one), key(host_two));
    EXPECT_NE(key(host_one), key(other_net));

    sockaddr_in6 mapped{};
    mapped.sin6_family = AF_INET6;
    const unsigned char bytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 127, 0, 0, 1};
    std::memcpy(&mapped.sin6_addr, bytes, 16);
    sockaddr_in plain{};
    plain.sin_family = AF_INET;
    plain.sin_addr.s_addr = htonl(0x7F000001);
    EXPECT_EQ(key(mapped), key(plain));
}

// Feeds `bytes` in pieces of `piece` bytes, as a server would after each
// read, and collects every answer until the conversation closes or waits.
std::string converse(const std::string &bytes, std::size_t piece) {
    static const ombixd::Keys no_token;
    ombixd::Conversation conversation(no_token, nullptr);
    std::string pending, answers;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        pending.append(bytes, at, piece);
        for (;;) {
            std::size_t used = conversation.receive(pending.data(), pending.size());
            pending.erase(0, used);
            if (conversation.state() == ombixd::Conversation::State::Reading) break;
            answers += conversation.output();
            if (conversation.state() == ombixd::Conversation::State::Closing) return answers + "<closed>";
            conversation.output_sent();
            if (pending.empty()) break;
        }
    }
    return answers;
}

TEST(Conversation, gives_the_same_answers_however_the_bytes_are_split) {
    const std::string requests =
        "POST /call/OmbixGetFanCount HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n"
        "POST /call/OmbixGetFanSpeed HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
        "4\r\n[{\"i\r\n11\r\n\":\"fanNr\",\"v\":2}]\r\n0\r\n\r\n"
        "GET /nowhere HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc"
        "POST /call/OmbixGetFanCount HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    const std::string whole = converse(requests, requests.size());
    EXPECT_NE(whole.find(R"({"ret":0,"outs":[{"i":"fanCount","v":3}]})"), std::string::npos) << whole;
    EXPECT_NE(whole.find(R"({"i":"rpm","v":1200})"), std::string::npos) << whole;
    EXPECT_NE(whole.find("HTTP/1.1 404 Not Found"), std::string::npos) << whole;
    EXPECT_EQ(whole.substr(whole.size() - 8), "<closed>");
    for (std::size_t piece : {1u, 2u, 7u, 64u}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(converse(requests, piece), whole);
    }
}

TEST(Conversation, answers_http_1_0_keep_alive_in_kind_and_closes_plain_http_1_0) {
    const std::string kept = converse("GET /calls HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", 1000);
    EXPECT_NE(kept.find("Connection: keep-alive\r\n"), std::string::npos);
    EXPECT_EQ(kept.find("<closed>"), std::string::npos);
    const std::string closed = converse("GET /calls HTTP/1.0\r\n\r\n", 1000);
    EXPECT_NE(closed.find("Connection: close\r\n"), std::string::npos);
    EXPECT_NE(closed.find("<closed>"), std::string::npos);
}

TEST(Conversation, an_idle_conversation_closes_at_stop_and_one_mid_request_answers_first) {
    static const ombixd::Keys no_token;
    ombixd::Conversation idle(no_token, nullptr);
    idle.stop();
    EXPECT_EQ(idle.state(), ombixd::Conversation::State::Closing);
    EXPECT_EQ(idle.output(), "");

    ombixd::Conversation busy(no_token, nullptr);
    const std::string head = "POST /call/OmbixGetFanCount HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\n\r\n[";
    busy.receive(head.data(), head.size());
    EXPECT_TRUE(busy.request_started());
    busy.stop();
    EXPECT_EQ(busy.state(), ombixd::Conversation::State::Reading);
    busy.receive("]", 1);
    ASSERT_EQ(busy.state(), ombixd::Conversation::State::Closing);
    EXPECT_NE(busy.output().find("Connection: close"), std::string::npos);
    EXPECT_EQ(busy.output().rfind("HTTP/1.1 ", 0), 0u);
}

}  // namespace

namespace {

TEST(Conversation, a_client_that_expects_100_continue_gets_it_before_it_sends_the_body) {
    static const ombixd::Keys no_token;
    ombixd::Conversation conversation(no_token, nullptr);
    const std::string head =
        "POST /call/OmbixGetFanSpeed HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 21\r\n\r\n";
    EXPECT_EQ(conversation.receive(head.data(), head.size()), head.size());
    ASSERT_EQ(conversation.state(), ombixd::Conversation::State::Writing);
    EXPECT_EQ(conversation.output(), "HTTP/1.1 100 Continue\r\n\r\n");
    conversation.output_sent();
    const std::string body = R"([{"i":"fanNr","v":0}])";
    conversation.receive(body.data(), body.size());
    EXPECT_EQ(conversation.output().rfind("HTTP/1.1 200 OK\r\n", 0), 0u);

    // Refused from its head alone: answered at once and closed, body or not.
    ombixd::Conversation refused(no_token, nullptr);
    const std::string unknown =
        "POST /call/OmbixNoSuch HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\n";
    refused.receive(unknown.data(), unknown.size());
    EXPECT_EQ(refused.state(), ombixd::Conversation::State::Closing);
    EXPECT_EQ(refused.output().rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
}

}  // namespace
