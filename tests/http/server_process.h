// A real ombixd process for a test: started on a free loopback port, stopped
// (and killed if it will not stop) when the object goes away.
#ifndef OMBIX_TEST_HTTP_SERVER_PROCESS_H
#define OMBIX_TEST_HTTP_SERVER_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace ombix::test {

class ServerProcess {
public:
    // Starts `ombixd --listen 127.0.0.1:0 extra...` and waits for the line
    // that names the port. started() tells whether that worked.
    explicit ServerProcess(std::vector<std::string> extra = {}, const std::string &listen = "127.0.0.1:0");
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    bool started() const { return port_ != 0; }
    unsigned short port() const { return port_; }
    // "http://127.0.0.1:PORT" (https when started with TLS).
    const std::string &url() const { return url_; }
    // Sends SIGTERM and waits; the exit status, or -1 if it had to be killed.
    int stop();
    // Kills it at once (SIGKILL), as a crash or a power cut would.
    void kill_now();
    bool running() const;
    // For signals a test sends itself (SIGHUP).
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    unsigned short port_ = 0;
    std::string url_;
};

// The path of the ombixd and ombix programs under test; $OMBIXD_UNDER_TEST,
// when set, names another ombixd to run the tests against.
std::string ombixd_path();
std::string ombix_path();

// Makes sure that no proxy from the environment sits between a test and
// the loopback server.
void bypass_proxies();

// A fresh directory for files a test writes; removed by the caller with
// remove_directory.
std::string make_temp_directory();
void remove_directory(const std::string &path);
void write_file(const std::string &path, const std::string &content);

// Runs a shell command; its standard output and exit status.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult run_command(const std::string &command);

}  // namespace ombix::test

#endif
