// The token store: tokens made with `ombixd token`, used against a real
// ombixd, revoked and refused after SIGHUP on a connection that stays open;
// stores that cannot be trusted or read are refused at startup.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "raw_http.h"
#include "server_process.h"
#include "token_store.h"

namespace {

using ombix::test::run_command;

class TokenStore : public ::testing::Test {
protected:
    void SetUp() override { directory = ombix::test::make_temp_directory(); }
    void TearDown() override { ombix::test::remove_directory(directory); }

    // `ombixd token ARGS --token-store STORE`: its output, the token for add.
    ombix::test::CommandResult token(const std::string &arguments) {
        return run_command(ombix::test::ombixd_path() + " token " + arguments + " --token-store " + store() + " 2>&1");
    }
    std::string add(const std::string &name, const std::string &role) {
        auto result = token("add " + name + " --role " + role);
        EXPECT_EQ(result.status, 0) << result.output;
        std::string value = result.output;
        while (!value.empty() && value.back() == '\n') value.pop_back();
        EXPECT_EQ(value.size(), 64u) << value;
        return value;
    }
    std::string store() const { return directory + "/tokens"; }
    std::string directory;
};

std::string call(const std::string &name, const std::string &token, bool keep_alive = false) {
    return "POST /call/" + name + " HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + token +
           "\r\nContent-Length: 0\r\n" + (keep_alive ? "" : "Connection: close\r\n") + "\r\n";
}

int status_on(int socket, const std::string &request) {
    if (!ombix::test::send_all(socket, request)) return -1;
    // A kept-alive answer ends without a close: read what arrives within the wait.
    return ombix::test::read_reply(socket, 300).status;
}

TEST_F(TokenStore, tokens_are_added_used_and_revoked_and_a_revoked_token_is_refused_after_sighup) {
    const std::string admin = add("alice", "admin");
    const std::string reader = add("rob", "reader");
    EXPECT_EQ(token("add rob --role admin").status, 1) << "a name is given once";
    auto listed = token("list");
    EXPECT_EQ(listed.output, "alice admin\nrob reader\n");
    std::string stored;
    {
        auto cat = run_command("cat " + store());
        stored = cat.output;
    }
    EXPECT_EQ(stored.find(admin), std::string::npos) << "the store keeps digests, never tokens";
    struct stat status {};
    ASSERT_EQ(stat(store().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    ombix::test::ServerProcess server({"--token-store", store()});
    ASSERT_TRUE(server.started());
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixWatchdogDisable", admin)).status, 200);
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixGetFanCount", reader)).status, 200);
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixWatchdogDisable", reader)).status, 403);
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixGetFanCount", "not-a-token")).status, 401);

    // A connection opened before the reload goes on serving after it.
    int kept = ombix::test::connect_loopback(server.port());
    ASSERT_GE(kept, 0);
    EXPECT_EQ(status_on(kept, call("OmbixGetFanCount", admin, true)), 200);

    EXPECT_EQ(token("revoke alice").status, 0);
    EXPECT_EQ(token("revoke alice").status, 1) << "revoking an unknown name fails";
    EXPECT_EQ(token("list").output, "rob reader\n");
    ASSERT_EQ(kill(server.pid(), SIGHUP), 0);
    int refused = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (refused != 401 && std::chrono::steady_clock::now() < deadline) {
        refused = ombix::test::exchange(server.port(), call("OmbixGetFanCount", admin)).status;
        if (refused != 401) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(refused, 401);
    EXPECT_EQ(status_on(kept, call("OmbixGetFanCount", admin, true)), 401) << "the kept connection sees the reload";
    EXPECT_EQ(status_on(kept, call("OmbixGetFanCount", reader, true)), 200);
    close(kept);
    EXPECT_TRUE(server.running());

    // A store broken while it runs leaves the tokens in force.
    ombix::test::write_file(store(), "rob reader nothex\n");
    chmod(store().c_str(), 0600);
    ASSERT_EQ(kill(server.pid(), SIGHUP), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixGetFanCount", reader)).status, 200);
    EXPECT_EQ(server.stop(), 0);
}

TEST_F(TokenStore, a_store_that_cannot_be_trusted_or_read_stops_ombixd_with_a_message_naming_its_fault) {
    const std::string digest(64, 'a');
    const struct {
        const char *content;
        unsigned mode;
        const char *message;
    } cases[] = {
        {"# two tokens\nalice admin D\n\nbob boss D\n", 0600, "line 4: unknown role 'boss'"},
        {"alice admin D\nalice reader D\n", 0600, "line 2: the name alice is given twice"},
        {"alice admin 12ab\n", 0600, "line 1: bad digest"},
        {"alice admin\n", 0600, "line 1: expected NAME ROLE DIGEST"},
        {"al/ce admin D\n", 0600, "line 1: bad name 'al/ce'"},
        {"alice admin D extra\n", 0600, "line 1: more than NAME ROLE DIGEST"},
        {"alice admin D\n", 0644, "mode 0644 lets others read or change it"},
        {"alice admin D\n", 0620, "mode 0620 lets others read or change it"},
        {"subject: boss CN=alice\n", 0600, "line 1: unknown role 'boss'"},
        {"subject: admin\n", 0600, "line 1: expected subject: ROLE SUBJECT"},
        {"subject: admin alice\n", 0600, "line 1: bad subject"},
        {"subject: admin CN=alice\nsubject: reader CN=alice\n", 0600, "line 2: the subject CN=alice is given twice"},
    };
    for (const auto &c : cases) {
        std::string content = c.content;
        for (std::size_t at; (at = content.find(" D")) != std::string::npos;) content.replace(at + 1, 1, digest);
        SCOPED_TRACE(content);
        ombix::test::write_file(store(), content);
        chmod(store().c_str(), c.mode);
        auto result =
            run_command(ombix::test::ombixd_path() + " --listen 127.0.0.1:0 --token-store " + store() + " 2>&1");
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.output.find("the token store " + store()), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    }
    auto missing = run_command(ombix::test::ombixd_path() + " --token-store " + directory + "/none 2>&1");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("No such file"), std::string::npos) << missing.output;
}

TEST_F(TokenStore, a_store_without_tokens_keeps_every_request_out) {
    ombix::test::write_file(store(), "# every token revoked\n");
    chmod(store().c_str(), 0600);
    ombix::test::ServerProcess server({"--token-store", store()});
    ASSERT_TRUE(server.started());
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixGetFanCount", "anything")).status, 401);
    EXPECT_EQ(
        ombix::test::exchange(server.port(), "GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n").status,
        401);
    // The first token added opens it, without a restart.
    const std::string reader = add("rob", "reader");
    kill(server.pid(), SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixGetFanCount", reader)).status, 200);
}

TEST_F(TokenStore, an_edit_keeps_the_group_that_reads_the_store_and_never_gives_more) {
    add("alice", "admin");
    struct stat status {};
    ASSERT_EQ(stat(store().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u) << "a new store is the owner's alone";
    // As the package leaves it: root's, readable by the service's group.
    const gid_t group = getuid() == 0 ? 4321 : getgid();
    ASSERT_EQ(chown(store().c_str(), static_cast<uid_t>(-1), group), 0);
    ASSERT_EQ(chmod(store().c_str(), 0640), 0);
    add("rob", "reader");
    token("revoke alice");
    ASSERT_EQ(stat(store().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(status.st_gid, group);
    EXPECT_EQ(token("list").output, "rob reader\n");
}

TEST_F(TokenStore, the_token_file_is_one_admin_token_beside_the_store) {
    const std::string reader = add("rob", "reader");
    ombix::test::write_file(directory + "/token", "old-shared-token\n");
    ombix::test::ServerProcess server({"--token-store", store(), "--token-file", directory + "/token"});
    ASSERT_TRUE(server.started());
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixWatchdogDisable", "old-shared-token")).status, 200);
    EXPECT_EQ(ombix::test::exchange(server.port(), call("OmbixWatchdogDisable", reader)).status, 403);
}

TEST_F(TokenStore, bad_commands_are_usage_errors_that_leave_the_store_alone) {
    add("rob", "reader");
    for (const char *arguments :
         {"", "add", "add x", "add x --role boss", "add 'a b' --role reader", "list x", "revoke",
          "revoke rob --role admin", "drop rob", "add x --role", "add-cert CN=x", "add-cert alice --role reader",
          "add-cert CN=a CN=b --role reader", "revoke-cert CN=x --role admin", "revoke-cert"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(token(arguments).status, 2);
    }
    EXPECT_EQ(token("list").output, "rob reader\n");
}

}  // namespace
