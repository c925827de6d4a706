// ombixd as a service manager runs it: readiness told on $NOTIFY_SOCKET once
// it serves, SIGHUP (the unit's reload) leaving it serving, and its settings
// taken from a configuration file.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

#include "raw_http.h"
#include "server_process.h"

using ombix::test::post_request;

namespace {

// A datagram socket standing in for the service manager's notification socket.
class NotifySocket {
public:
    explicit NotifySocket(const std::string &path) : path_(path) {
        socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        bound_ = bind(socket_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~NotifySocket() {
        close(socket_);
        unlink(path_.c_str());
    }
    bool bound() const { return bound_; }
    // The next message, or "" when none comes within the time.
    std::string next(int timeout_ms = 5000) {
        pollfd ready{socket_, POLLIN, 0};
        if (poll(&ready, 1, timeout_ms) != 1) return "";
        char message[512];
        ssize_t size = recv(socket_, message, sizeof message, 0);
        return size > 0 ? std::string(message, static_cast<size_t>(size)) : "";
    }

private:
    std::string path_;
    int socket_ = -1;
    bool bound_ = false;
};

int fan_count_status(unsigned short port, const std::string &headers = "") {
    return ombix::test::exchange(port, post_request("OmbixGetFanCount", "", headers)).status;
}

TEST(Service, readiness_is_told_once_serving_and_sighup_leaves_the_server_serving) {
    ombix::test::bypass_proxies();
    std::string directory = ombix::test::make_temp_directory();
    {
        NotifySocket notify(directory + "/notify");
        ASSERT_TRUE(notify.bound());
        setenv("NOTIFY_SOCKET", (directory + "/notify").c_str(), 1);
        ombix::test::ServerProcess server;
        unsetenv("NOTIFY_SOCKET");
        ASSERT_TRUE(server.started());
        EXPECT_EQ(notify.next(), "READY=1");
        EXPECT_EQ(fan_count_status(server.port()), 200);

        ASSERT_EQ(kill(server.pid(), SIGHUP), 0);
        EXPECT_EQ(notify.next(), "RELOADING=1");
        EXPECT_EQ(notify.next(), "READY=1");
        EXPECT_TRUE(server.running());
        EXPECT_EQ(fan_count_status(server.port()), 200);
        EXPECT_EQ(server.stop(), 0);
        EXPECT_EQ(notify.next(), "STOPPING=1");
    }
    ombix::test::remove_directory(directory);
}

TEST(Service, settings_come_from_the_configuration_file_and_options_override_it) {
    ombix::test::bypass_proxies();
    std::string directory = ombix::test::make_temp_directory();
    ombix::test::write_file(directory + "/token", "from-the-file-7\n");
    // The file's address is unusable here: the --listen the test adds wins.
    ombix::test::write_file(directory + "/ombixd.conf",
                            "# test\nlisten = 192.0.2.1:1\ntoken-file = " + directory + "/token\nthreads = 2\n");
    {
        ombix::test::ServerProcess server({"--config", directory + "/ombixd.conf"});
        ASSERT_TRUE(server.started());
        EXPECT_EQ(fan_count_status(server.port()), 401);
        EXPECT_EQ(fan_count_status(server.port(), "Authorization: Bearer from-the-file-7\r\n"), 200);
    }
    ombix::test::write_file(directory + "/bad.conf", "threads = 2\nthreads = many\n");
    ombix::test::CommandResult refused =
        ombix::test::run_command(ombix::test::ombixd_path() + " --config " + directory + "/bad.conf 2>&1");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.output.find(directory + "/bad.conf:2: bad value for --threads: many"), std::string::npos)
        << refused.output;
    ombix::test::remove_directory(directory);
}

}  // namespace
