// ombixd over TLS with a certificate made for the test; the transport checks
// it against the given authority file.
#include <gtest/gtest.h>

#include <string>

#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "server_process.h"

namespace {

class Tls : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        directory = ombix::test::make_temp_directory();
        ombix::test::write_file(directory + "/cert.cfg",
                                "cn = 127.0.0.1\nip_address = 127.0.0.1\nexpiration_days = 2\n"
                                "tls_www_server\nsigning_key\nencryption_key\n");
        auto made = ombix::test::run_command(
            "cd " + directory +
            " && certtool --generate-privkey --key-type=ecdsa --outfile key.pem >/dev/null 2>&1 && "
            "certtool --generate-self-signed --load-privkey key.pem --template cert.cfg --outfile cert.pem >/dev/null "
            "2>&1");
        if (made.status != 0) GTEST_SKIP() << "certtool could not make a test certificate";
    }
    void TearDown() override { ombix::test::remove_directory(directory); }

    std::string directory;
};

TEST_F(Tls, calls_cross_tls_when_the_certificate_is_trusted_and_fail_to_connect_otherwise) {
    ombix::test::ServerProcess server({"--tls-cert", directory + "/cert.pem", "--tls-key", directory + "/key.pem"});
    ASSERT_TRUE(server.started());
    ASSERT_EQ(server.url().rfind("https://", 0), 0u);

    std::string ca_file = directory + "/cert.pem";
    OMBIX_HTTP_OPTIONS trusted{server.url().c_str(), nullptr, 5000, ca_file.c_str()};
    std::int32_t handle = 0;
    ASSERT_EQ(OmbixHttpOpen(&trusted, &handle), 0);
    std::uint8_t pwm = 0;
    std::int32_t rpm = 0;
    for (int k = 0; k < 3; ++k) {  // the TLS session is reused between calls
        EXPECT_EQ(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_RC_OK) << OmbixTransportLastError();
        EXPECT_EQ(rpm, 2400);
    }
    OmbixHttpClose(handle);

    OMBIX_HTTP_OPTIONS untrusted{server.url().c_str(), nullptr, 5000, nullptr};
    ASSERT_EQ(OmbixHttpOpen(&untrusted, &handle), 0);
    EXPECT_EQ(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_TRANSPORT_RC_CONNECT);
    OmbixHttpClose(handle);

    std::string plain_url = "http://" + server.url().substr(8);
    OMBIX_HTTP_OPTIONS plain{plain_url.c_str(), nullptr, 5000, nullptr};
    ASSERT_EQ(OmbixHttpOpen(&plain, &handle), 0);
    EXPECT_NE(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_RC_OK);
    OmbixHttpClose(handle);

    auto curl = ombix::test::run_command("curl --noproxy '*' -s --cacert " + ca_file + " -X POST --data '' " +
                                         server.url() + "/call/OmbixGetFanCount");
    EXPECT_EQ(curl.output, R"({"ret":0,"outs":[{"i":"fanCount","v":3}]})");
}

}  // namespace
