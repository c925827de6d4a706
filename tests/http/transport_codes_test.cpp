// The HTTP transport's own failure codes, each from the situation it names.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "ombix_transport.h"
#include "server_process.h"

namespace {

std::int32_t open_handle(const std::string &url, const char *token = nullptr, std::int32_t timeout_ms = 5000) {
    OMBIX_HTTP_OPTIONS options{url.c_str(), token, timeout_ms, nullptr};
    std::int32_t handle = 0;
    EXPECT_EQ(OmbixHttpOpen(&options, &handle), 0);
    return handle;
}

// A loopback port that accepts connections (the kernel completes them) but
// never answers.
struct SilentListener {
    int socket_fd = socket(AF_INET, SOCK_STREAM, 0);
    unsigned short port = 0;
    SilentListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(socket_fd, reinterpret_cast<sockaddr *>(&address), length) == 0 && listen(socket_fd, 4) == 0 &&
            getsockname(socket_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            port = ntohs(address.sin_port);
    }
    ~SilentListener() { close(socket_fd); }
};

TEST(TransportCodes, none_collides_with_a_code_of_the_protocol) {
    const std::int32_t transport_codes[] = {OMBIX_TRANSPORT_RC_ERROR_OBJECT, OMBIX_TRANSPORT_RC_UNKNOWN_CALL,
                                            OMBIX_TRANSPORT_RC_BAD_MESSAGE,  OMBIX_TRANSPORT_RC_CONNECT,
                                            OMBIX_TRANSPORT_RC_TIMEOUT,      OMBIX_TRANSPORT_RC_HTTP_STATUS,
                                            OMBIX_TRANSPORT_RC_BAD_HANDLE};
    for (std::int32_t code : transport_codes)
        for (std::int32_t protocol : {0, 1, 12, 16, 65543}) EXPECT_NE(code, protocol);
}

TEST(TransportCodes, a_server_that_is_down_gives_connect_and_leaves_outputs_untouched) {
    ombix::test::bypass_proxies();
    std::string url;
    {
        ombix::test::ServerProcess server;
        ASSERT_TRUE(server.started());
        url = server.url();
    }  // stopped: nothing listens on its port any more
    std::int32_t handle = open_handle(url);
    std::uint8_t pwm = 7;
    std::int32_t rpm = 7;
    EXPECT_EQ(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_TRANSPORT_RC_CONNECT);
    EXPECT_NE(std::string(OmbixTransportLastError()), "");
    EXPECT_EQ(pwm, 7);
    EXPECT_EQ(rpm, 7);
    OmbixHttpClose(handle);
}

TEST(TransportCodes, a_server_that_does_not_answer_in_time_gives_timeout) {
    ombix::test::bypass_proxies();
    SilentListener silent;
    ASSERT_NE(silent.port, 0);
    std::int32_t handle = open_handle("http://127.0.0.1:" + std::to_string(silent.port), nullptr, 300);
    std::int32_t boot_count = 0;
    EXPECT_EQ(OmbixR_GetBootCounter(handle, &boot_count), OMBIX_TRANSPORT_RC_TIMEOUT);
    OmbixHttpClose(handle);
}

TEST(TransportCodes, http_refusals_unknown_calls_and_error_objects_have_codes_of_their_own) {
    ombix::test::bypass_proxies();
    std::string directory = ombix::test::make_temp_directory();
    ombix::test::write_file(directory + "/token", "t0ken");
    ombix::test::ServerProcess server({"--token-file", directory + "/token"});
    ASSERT_TRUE(server.started());

    std::int32_t without_token = open_handle(server.url());
    std::int32_t count = -1;
    EXPECT_EQ(OmbixR_GetFanCount(without_token, &count), OMBIX_TRANSPORT_RC_HTTP_STATUS);
    EXPECT_EQ(std::string(OmbixTransportLastError()).rfind("HTTP 401", 0), 0u) << OmbixTransportLastError();
    EXPECT_EQ(count, -1);

    std::int32_t handle = open_handle(server.url(), "t0ken");
    std::int32_t code = 0;
    EXPECT_EQ(OmbixExecuteRemoteCall(handle, "OmbixNoSuchCall", &code, nullptr), nullptr);
    EXPECT_EQ(code, OMBIX_TRANSPORT_RC_UNKNOWN_CALL);

    EXPECT_EQ(OmbixExecuteRemoteCall(handle, "OmbixGetFanSpeed", &code, json_array()), nullptr);
    EXPECT_EQ(code, OMBIX_TRANSPORT_RC_ERROR_OBJECT);
    EXPECT_NE(std::string(OmbixTransportLastError()).find("parameters list is bad or empty"), std::string::npos);

    // A text that cannot be made into JSON leaves its named value out: the
    // server answers with an error object for the wrong length.
    EXPECT_EQ(OmbixR_Passwd(handle, nullptr, "admin"), OMBIX_TRANSPORT_RC_ERROR_OBJECT);
    EXPECT_NE(std::string(OmbixTransportLastError()).find("wrong parameters nubmer"), std::string::npos);

    // A successful call leaves no failure text behind.
    EXPECT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);
    EXPECT_EQ(count, 3);
    EXPECT_STREQ(OmbixTransportLastError(), "");

    OmbixHttpClose(without_token);
    OmbixHttpClose(handle);
    ombix::test::remove_directory(directory);
}

TEST(TransportCodes, a_handle_that_names_no_open_connection_gives_bad_handle) {
    std::int32_t code = 0;
    for (std::int32_t handle : {0, -1, 12345, 0x7FFFFFFF}) {
        SCOPED_TRACE(handle);
        EXPECT_EQ(OmbixExecuteRemoteCall(handle, "OmbixGetFanCount", &code, nullptr), nullptr);
        EXPECT_EQ(code, OMBIX_TRANSPORT_RC_BAD_HANDLE);
    }
    std::int32_t handle = open_handle("http://127.0.0.1:9");
    EXPECT_EQ(OmbixHttpClose(handle), 0);
    EXPECT_EQ(OmbixHttpClose(handle), OMBIX_TRANSPORT_RC_BAD_HANDLE);
    // The parameter list is the transport's even when the handle is bad.
    EXPECT_EQ(
        OmbixExecuteRemoteCall(handle, "OmbixGetFanSpeed", &code, json_pack("[{s:s, s:i}]", "i", "fanNr", "v", 0)),
        nullptr);
    EXPECT_EQ(code, OMBIX_TRANSPORT_RC_BAD_HANDLE);
    // A slot reused by a later open does not revive the old handle.
    std::int32_t reopened = open_handle("http://127.0.0.1:9");
    EXPECT_NE(reopened, handle);
    EXPECT_EQ(OmbixExecuteRemoteCall(handle, "OmbixGetFanCount", &code, nullptr), nullptr);
    EXPECT_EQ(code, OMBIX_TRANSPORT_RC_BAD_HANDLE);
    OmbixHttpClose(reopened);
}

TEST(TransportCodes, an_unusable_url_is_refused_at_open) {
    std::int32_t handle = 0;
    for (const char *url : {"", "127.0.0.1:8711", "ftp://127.0.0.1/", "file:///etc/passwd"}) {
        SCOPED_TRACE(url);
        OMBIX_HTTP_OPTIONS options{url, nullptr, 0, nullptr};
        EXPECT_EQ(OmbixHttpOpen(&options, &handle), OMBIX_TRANSPORT_RC_BAD_MESSAGE);
    }
    EXPECT_EQ(OmbixHttpOpen(nullptr, &handle), OMBIX_TRANSPORT_RC_BAD_MESSAGE);
}

}  // namespace
