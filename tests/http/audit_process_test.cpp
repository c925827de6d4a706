// The audit and the slowing of authentication failures in a real ombixd:
// the JSON-lines file kept across a restart and followed across a rotation,
// failures counted and held back per address without holding up anyone
// else, and, where systemd runs the machine, the record in the journal.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "raw_http.h"
#include "server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kToken[] = "the-right-token";
const char kFanBody[] = R"([{"i":"fanNr","v":0},{"i":"targetPwm","v":90}])";
const char kPasswdBody[] = R"([{"i":"newPassword","v":"n3w-s3cret"},{"i":"oldPassword","v":"0ld-s3cret"}])";

std::string post(const std::string &call, const std::string &token, const std::string &body) {
    return "POST /call/" + call + " HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + token +
           "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::vector<std::string> lines_of(const std::string &path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

bool wait_for_file(const std::string &path) {
    for (int k = 0; k < 500; ++k) {
        if (access(path.c_str(), F_OK) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class AuditProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ombix::test::bypass_proxies();
        directory = ombix::test::make_temp_directory();
        ombix::test::write_file(directory + "/token", std::string(kToken) + "\n");
    }
    void TearDown() override { ombix::test::remove_directory(directory); }

    std::vector<std::string> options(std::vector<std::string> more = {}) {
        std::vector<std::string> all = {"--token-file", directory + "/token", "--audit", audit_file()};
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }
    std::string audit_file() const { return directory + "/audit.jsonl"; }
    std::string directory;
};

TEST_F(AuditProcess, the_file_gets_one_line_per_changing_call_keeps_them_across_a_restart_and_follows_a_rotation) {
    {
        ombix::test::ServerProcess server(options());
        ASSERT_TRUE(server.started());
        EXPECT_EQ(ombix::test::exchange(server.port(), post("OmbixSetFanModeManual", kToken, kFanBody)).status, 200);
        EXPECT_EQ(
            ombix::test::exchange(server.port(), post("OmbixGetFanSpeed", kToken, R"([{"i":"fanNr","v":0}])")).status,
            200);
        EXPECT_EQ(ombix::test::exchange(server.port(), post("OmbixPasswd", kToken, kPasswdBody)).status, 200);
        EXPECT_EQ(server.stop(), 0);
    }
    auto lines = lines_of(audit_file());
    ASSERT_EQ(lines.size(), 2u) << "the read is not recorded";
    EXPECT_NE(lines[0].find(R"("caller":"token-file","peer":"127.0.0.1:)"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(R"("call":"OmbixSetFanModeManual","params":)" + std::string(kFanBody)), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[0].find(R"("outcome":"ran","status":200,"ret":0)"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("OmbixPasswd"), std::string::npos);
    const std::string first_run = lines[0] + "\n" + lines[1];
    EXPECT_EQ(first_run.find("s3cret"), std::string::npos) << first_run;

    ombix::test::ServerProcess again(options());
    ASSERT_TRUE(again.started());
    EXPECT_EQ(ombix::test::exchange(again.port(), post("OmbixWatchdogTrigger", kToken, "")).status, 200);
    ASSERT_EQ(std::rename(audit_file().c_str(), (audit_file() + ".1").c_str()), 0);
    kill(again.pid(), SIGHUP);
    ASSERT_TRUE(wait_for_file(audit_file())) << "SIGHUP opens the file again under its name";
    EXPECT_EQ(ombix::test::exchange(again.port(), post("OmbixWatchdogDisable", kToken, "")).status, 200);
    EXPECT_EQ(again.stop(), 0);

    auto rotated = lines_of(audit_file() + ".1");
    ASSERT_EQ(rotated.size(), 3u) << "the records of the first run are kept";
    EXPECT_EQ(rotated[0] + "\n" + rotated[1], first_run);
    EXPECT_NE(rotated[2].find("OmbixWatchdogTrigger"), std::string::npos);
    auto fresh = lines_of(audit_file());
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_NE(fresh[0].find("OmbixWatchdogDisable"), std::string::npos);
}

TEST_F(AuditProcess, an_audit_file_that_cannot_be_opened_stops_the_start_with_its_name) {
    auto result = ombix::test::run_command(ombix::test::ombixd_path() +
                                           " --listen 127.0.0.1:0 --audit /nonexistent-folder/audit.jsonl 2>&1");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.output.find("/nonexistent-folder/audit.jsonl"), std::string::npos) << result.output;
}

// One request with a wrong token from `source`: its status and how long its answer took.
std::pair<int, double> wrong_token_from(unsigned short port, const char *source) {
    const auto started = Clock::now();
    int socket = ombix::test::connect_loopback_from(port, source);
    if (socket < 0) return {-1, 0};
    ombix::test::send_all(socket, post("OmbixSetFanModeManual", "a-guess", kFanBody));
    auto reply = ombix::test::read_reply(socket, 10000);
    close(socket);
    return {reply.status, std::chrono::duration<double>(Clock::now() - started).count()};
}

double metric(const std::string &exposition, const std::string &series) {
    const auto at = exposition.find("\n" + series + " ");
    return at == std::string::npos ? -1 : std::stod(exposition.substr(at + series.size() + 2));
}

TEST_F(AuditProcess, repeated_failures_from_one_address_wait_longer_each_time_and_hold_up_no_one_else) {
    // One event loop: a held answer that blocked it would hold up the good token too.
    ombix::test::ServerProcess server(options({"--threads", "1"}));
    ASSERT_TRUE(server.started());
    std::vector<double> waits;
    for (int k = 0; k < 5; ++k) {
        auto [status, seconds] = wrong_token_from(server.port(), "127.0.0.2");
        EXPECT_EQ(status, 401);
        waits.push_back(seconds);
    }
    // 0, 0.1, 0.2, 0.4, 0.8 seconds held back, on top of the request's own
    // time (which an emulated or loaded machine makes long: no upper bounds).
    EXPECT_GE(waits[1], 0.09);
    EXPECT_GE(waits[4], 0.75);
    EXPECT_LT(waits[0], waits[4] - 0.5) << "the first failure is answered at once";

    std::pair<int, double> sixth;
    std::thread attacker([&] { sixth = wrong_token_from(server.port(), "127.0.0.2"); });  // held 1.6 s
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto started = Clock::now();
    auto good = ombix::test::exchange(server.port(), post("OmbixSetFanModeManual", kToken, kFanBody));
    const double good_seconds = std::chrono::duration<double>(Clock::now() - started).count();
    attacker.join();
    EXPECT_EQ(good.status, 200);
    // The attacker's answer is held 1.6 s, 1.4 s of it after this request began.
    EXPECT_LT(good_seconds, 1.0) << "a correct token from another address is not held back";
    EXPECT_EQ(sixth.first, 401);
    EXPECT_GE(sixth.second, 1.5);

    auto scrape = ombix::test::exchange(server.port(), "GET /metrics HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                                                           std::string(kToken) + "\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(metric(scrape.body, R"(ombix_authentication_refusals_total{endpoint="calls"})"), 6) << scrape.body;
    EXPECT_GE(metric(scrape.body, "ombix_authentication_delay_seconds_total"), 3.0);
    EXPECT_EQ(metric(scrape.body, "ombix_audit_records_total"), 1);
    EXPECT_EQ(metric(scrape.body, "ombix_audit_failures_total"), 0);
    EXPECT_EQ(server.stop(), 0);
}

unsigned short free_port() {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    unsigned short port = 0;
    if (bind(probe, reinterpret_cast<sockaddr *>(&address), size) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(probe);
    return port;
}

TEST(AuditJournal, under_systemd_a_transient_unit_records_to_the_journal_with_structured_fields) {
    auto init = ombix::test::run_command("ps -p 1 -o comm= 2>/dev/null");
    while (!init.output.empty() && init.output.back() == '\n') init.output.pop_back();
    if (init.output != "systemd")
        GTEST_SKIP() << "systemd is not process 1 here (it is '" << init.output
                     << "'): no transient unit can be started, so the journal is not tested";
    if (ombix::test::run_command("command -v systemd-run && command -v journalctl").status != 0)
        GTEST_SKIP() << "systemd-run or journalctl is missing";
    const std::string unit = "ombixd-audit-test-" + std::to_string(getpid());
    const unsigned short port = free_port();
    ASSERT_NE(port, 0);
    // Type=notify: systemd-run returns once ombixd told systemd it serves.
    auto started =
        ombix::test::run_command("systemd-run --quiet --collect --unit=" + unit + " --property=Type=notify " +
                                 ombix::test::ombixd_path() + " --listen 127.0.0.1:" + std::to_string(port) + " 2>&1");
    ASSERT_EQ(started.status, 0) << started.output;
    EXPECT_EQ(ombix::test::exchange(port, post("OmbixSetFanModeManual", "", kFanBody)).status, 200);
    EXPECT_EQ(ombix::test::exchange(port, post("OmbixPasswd", "", kPasswdBody)).status, 200);
    const std::string query = "journalctl --no-pager -o export -u " + unit;
    std::string journal;
    for (int k = 0; k < 100 && journal.find("OMBIX_CALL=OmbixPasswd") == std::string::npos; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        journal = ombix::test::run_command(query + " 2>&1").output;
    }
    ombix::test::run_command("systemctl stop " + unit + " 2>&1");
    EXPECT_NE(journal.find("OMBIX_CALL=OmbixSetFanModeManual\n"), std::string::npos) << journal;
    EXPECT_NE(journal.find("OMBIX_CALLER=anonymous\n"), std::string::npos);
    EXPECT_NE(journal.find("OMBIX_PEER=127.0.0.1:"), std::string::npos);
    EXPECT_NE(journal.find("OMBIX_RET=0\n"), std::string::npos);
    EXPECT_NE(journal.find("SYSLOG_IDENTIFIER=ombixd\n"), std::string::npos);
    EXPECT_NE(journal.find(std::string("OMBIX_PARAMS=") + kFanBody + "\n"), std::string::npos);
    EXPECT_EQ(journal.find("s3cret"), std::string::npos) << "the password is in no log of the unit";
}

}  // namespace
