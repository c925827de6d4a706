// The journal record as journald receives it, without systemd: in a mount
// namespace of its own, a child process puts a datagram socket where the
// journal's socket lives and reads what the journal sink sends there.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "audit_sinks.h"

namespace {

constexpr char kJournalSocket[] = "/run/systemd/journal/socket";

// In the child: 0 when the datagram held every field, else a failure code.
int receive_one_record(int report) {
    if (unshare(CLONE_NEWNS) != 0) return 10;
    // Source and type are ignored for a propagation change, but must be readable strings.
    if (mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0) return 10;
    if (mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0) return 10;
    mkdir("/run/systemd", 0755);
    mkdir("/run/systemd/journal", 0755);
    int listener = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, kJournalSocket);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) return 11;

    ombixd::AuditRecord record;
    record.caller = "alice";
    record.peer = "127.0.0.1:40112";
    record.call = "OmbixSetFanModeManual";
    record.params = R"([{"i":"fanNr","v":0}])";
    record.outcome = "ran";
    record.status = 200;
    record.has_code = true;
    record.code = 0;
    std::string error;
    if (!ombixd::journal_sink()->write(record, error)) return 12;
    static char datagram[65536];
    ssize_t size = recv(listener, datagram, sizeof datagram, MSG_DONTWAIT);
    if (size <= 0) return 13;
    const std::string text(datagram, static_cast<std::size_t>(size));
    (void)!write(report, text.data(), text.size());
    return 0;
}

TEST(AuditJournalFields, a_record_reaches_the_journal_socket_as_structured_fields) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipe_ends[0]);
        _exit(receive_one_record(pipe_ends[1]));
    }
    close(pipe_ends[1]);
    std::string received;
    char block[4096];
    for (ssize_t n; (n = read(pipe_ends[0], block, sizeof block)) > 0;) received.append(block, n);
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 10)
        GTEST_SKIP()
            << "no mount namespace can be made here (it needs root): the journal's socket cannot be stood in for";
    ASSERT_EQ(WEXITSTATUS(status), 0) << received;
    for (const char *field :
         {"MESSAGE=OmbixSetFanModeManual by alice from 127.0.0.1:40112: ran (status 200, ret 0)\n", "PRIORITY=5\n",
          "SYSLOG_IDENTIFIER=ombixd\n", "OMBIX_AUDIT=1\n", "OMBIX_CALL=OmbixSetFanModeManual\n", "OMBIX_CALLER=alice\n",
          "OMBIX_PEER=127.0.0.1:40112\n", "OMBIX_PARAMS=[{\"i\":\"fanNr\",\"v\":0}]\n", "OMBIX_OUTCOME=ran\n",
          "OMBIX_STATUS=200\n", "OMBIX_RET=0\n"})
        EXPECT_NE(received.find(field), std::string::npos) << field << " in\n" << received;
}

}  // namespace
