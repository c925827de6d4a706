// Client certificates as callers: ombixd with --tls-client-ca maps a
// verified certificate's subject to its role in the token store; the
// certificates are made by the test. Through the transport and through
// `ombix --cert --key`.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <thread>

#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "server_process.h"
#include "test_certificates.h"

namespace {

using ombix::test::CertificateFiles;
using ombix::test::ClientSigner;
using ombix::test::run_command;
using ombix::test::TestCertificates;

class MutualTls : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        directory = ombix::test::make_temp_directory();
        certificates = std::make_unique<TestCertificates>(directory);
        if (!certificates->made()) GTEST_SKIP() << "certtool could not make the test certificates";
        alice = certificates->client("alice");
        rob = certificates->client("rob");
        ASSERT_FALSE(alice.cert.empty());
        ASSERT_FALSE(rob.cert.empty());
        // The subjects as the documented openssl command prints them.
        ASSERT_EQ(token("add-cert '" + TestCertificates::subject_of(alice.cert) + "' --role admin").status, 0);
        ASSERT_EQ(token("add-cert '" + TestCertificates::subject_of(rob.cert) + "' --role reader").status, 0);
        auto added = token("add tok --role reader");
        ASSERT_EQ(added.status, 0) << added.output;
        reader_token = added.output.substr(0, 64);
    }
    void TearDown() override { ombix::test::remove_directory(directory); }

    ombix::test::CommandResult token(const std::string &arguments) {
        return run_command(ombix::test::ombixd_path() + " token " + arguments + " --token-store " + store() + " 2>&1");
    }
    std::string store() const { return directory + "/tokens"; }
    std::vector<std::string> server_options() const {
        return {"--tls-cert",      certificates->server().cert, "--tls-key",     certificates->server().key,
                "--tls-client-ca", certificates->authority(),   "--token-store", store()};
    }

    // One call over a new connection: the code, and the transport's last error.
    std::int32_t call(const std::string &url, const CertificateFiles *client, const char *bearer, bool admin_call,
                      std::string &error) {
        const std::string authority = certificates->authority();
        OMBIX_HTTP_OPTIONS options{url.c_str(), bearer, 5000, authority.c_str()};
        std::int32_t handle = 0;
        if (OmbixHttpOpen(&options, &handle) != 0) return -1;
        if (client != nullptr) {
            EXPECT_EQ(OmbixHttpSetClientCertificate(handle, client->cert.c_str(), client->key.c_str()), 0);
        }
        std::uint8_t pwm = 0;
        std::int32_t rpm = 0;
        std::int32_t code = admin_call ? OmbixR_WatchdogDisable(handle) : OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm);
        error = OmbixTransportLastError();
        OmbixHttpClose(handle);
        return code;
    }

    std::string directory;
    std::unique_ptr<TestCertificates> certificates;
    CertificateFiles alice, rob;
    std::string reader_token;
};

TEST_F(MutualTls, a_verified_certificate_is_its_subjects_role_and_others_are_refused) {
    const CertificateFiles mallory = certificates->client("mallory");
    const CertificateFiles stranger = certificates->client("alice", ClientSigner::OtherAuthority);
    const CertificateFiles expired = certificates->client("alice", ClientSigner::AuthorityButExpired);
    ombix::test::ServerProcess server(server_options());
    ASSERT_TRUE(server.started());
    const struct {
        const char *what;
        const CertificateFiles *client;
        const char *bearer;
        bool admin_call;
        std::int32_t code;
        const char *error;
    } cases[] = {
        {"an admin's certificate runs an admin call", &alice, nullptr, true, OMBIX_RC_OK, ""},
        {"a reader's certificate reads", &rob, nullptr, false, OMBIX_RC_OK, ""},
        {"a reader's certificate is refused an admin call", &rob, nullptr, true, OMBIX_TRANSPORT_RC_HTTP_STATUS,
         "HTTP 403: {\"error\":\"OmbixWatchdogDisable needs the admin role; the certificate has the reader role\"}"},
        {"a verified subject without a role", &mallory, nullptr, false, OMBIX_TRANSPORT_RC_HTTP_STATUS,
         "HTTP 403: {\"error\":\"the client certificate CN=mallory,O=Board Lab has no role in the token store\"}"},
        {"another authority's certificate ends the handshake", &stranger, nullptr, false, OMBIX_TRANSPORT_RC_CONNECT,
         ""},
        {"an expired certificate ends the handshake", &expired, nullptr, false, OMBIX_TRANSPORT_RC_CONNECT, ""},
        {"no certificate, a token", nullptr, reader_token.c_str(), false, OMBIX_RC_OK, ""},
        {"no certificate, no token", nullptr, nullptr, false, OMBIX_TRANSPORT_RC_HTTP_STATUS, "HTTP 401"},
        {"a token given is judged alone", &alice, "wrong", false, OMBIX_TRANSPORT_RC_HTTP_STATUS, "HTTP 401"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.client != nullptr && c.client->cert.empty());
        std::string error;
        EXPECT_EQ(call(server.url(), c.client, c.bearer, c.admin_call, error), c.code) << error;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    auto scrape =
        run_command("curl --noproxy '*' -s -o /dev/null -w '%{http_code}' --cacert " + certificates->authority() +
                    " --cert " + rob.cert + " --key " + rob.key + " " + server.url() + "/metrics");
    EXPECT_EQ(scrape.output, "200") << "a certificate with a role may scrape";
}

TEST_F(MutualTls, ombix_shows_its_certificate_with_cert_and_key) {
    ombix::test::ServerProcess server(server_options());
    ASSERT_TRUE(server.started());
    const std::string ombix =
        ombix::test::ombix_path() + " --url " + server.url() + " --cacert " + certificates->authority();
    auto with_key = [](const CertificateFiles &files) { return " --cert " + files.cert + " --key " + files.key; };
    auto counted = run_command(ombix + with_key(alice) + " GetFanCount 2>&1");
    EXPECT_EQ(counted.status, 0) << counted.output;
    EXPECT_EQ(counted.output, "fanCount: 3\n");
    auto refused = run_command(ombix + with_key(rob) + " WatchdogDisable 2>&1");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("the certificate has the reader role"), std::string::npos) << refused.output;
    auto anonymous = run_command(ombix + " GetFanCount 2>&1");
    EXPECT_EQ(anonymous.status, 1);
    EXPECT_NE(anonymous.output.find("HTTP 401"), std::string::npos) << anonymous.output;
    // One file holding both the certificate and its key.
    ombix::test::write_file(directory + "/both.pem", run_command("cat " + alice.cert + " " + alice.key).output);
    EXPECT_EQ(run_command(ombix + " --cert " + directory + "/both.pem GetFanCount").status, 0);
    EXPECT_EQ(run_command(ombix + " --key " + alice.key + " GetFanCount 2>&1").status, 2) << "--key needs --cert";
}

TEST_F(MutualTls, a_revoked_subject_is_refused_after_sighup) {
    const std::string subject = TestCertificates::subject_of(rob.cert);
    EXPECT_EQ(token("list").output, "subject: admin " + TestCertificates::subject_of(alice.cert) +
                                        "\nsubject: reader " + subject + "\ntok reader\n");
    ombix::test::ServerProcess server(server_options());
    ASSERT_TRUE(server.started());
    std::string error;
    EXPECT_EQ(call(server.url(), &rob, nullptr, false, error), OMBIX_RC_OK) << error;
    EXPECT_EQ(token("revoke-cert '" + subject + "'").status, 0);
    EXPECT_EQ(token("revoke-cert '" + subject + "'").status, 1) << "no longer there";
    kill(server.pid(), SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(call(server.url(), &rob, nullptr, false, error), OMBIX_TRANSPORT_RC_HTTP_STATUS);
    EXPECT_NE(error.find("has no role in the token store"), std::string::npos) << error;
    EXPECT_EQ(call(server.url(), &alice, nullptr, true, error), OMBIX_RC_OK) << error;
}

TEST_F(MutualTls, unusable_client_authority_settings_stop_ombixd) {
    ombix::test::write_file(directory + "/empty.pem", "no certificate here\n");
    const auto &server = certificates->server();
    const struct {
        std::string arguments;
        const char *message;
    } cases[] = {
        {"--tls-client-ca " + certificates->authority() + " --token-store " + store(),
         "--tls-client-ca needs --tls-cert, --tls-key and --token-store"},
        {"--tls-cert " + server.cert + " --tls-key " + server.key + " --tls-client-ca " + certificates->authority(),
         "--tls-client-ca needs --tls-cert, --tls-key and --token-store"},
        {"--tls-cert " + server.cert + " --tls-key " + server.key + " --token-store " + store() + " --tls-client-ca " +
             directory + "/empty.pem",
         "client authority is unusable"},
        {"--tls-cert " + server.cert + " --tls-key " + server.key + " --token-store " + store() + " --tls-client-ca " +
             directory + "/none.pem",
         "cannot read"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments);
        auto result = run_command(ombix::test::ombixd_path() + " --listen 127.0.0.1:0 " + c.arguments + " 2>&1");
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    }
}

}  // namespace
