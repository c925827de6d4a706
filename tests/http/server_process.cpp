#include "server_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace ombix::test {

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 10000;

}  // namespace

std::string ombixd_path() {
    const char *other = std::getenv("OMBIXD_UNDER_TEST");
    return other != nullptr && *other != '\0' ? other : OMBIXD_PATH;
}
std::string ombix_path() {
    return OMBIX_PATH;
}

void bypass_proxies() {
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(name);
}

ServerProcess::ServerProcess(std::vector<std::string> extra, const std::string &listen) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return;
    std::vector<std::string> words = {ombixd_path(), "--listen", listen};
    words.insert(words.end(), extra.begin(), extra.end());
    pid_ = fork();
    if (pid_ == 0) {
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        std::vector<char *> argv;
        for (std::string &word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    output_ = pipe_ends[0];
    if (pid_ < 0) return;

    // "ombixd: listening on http://127.0.0.1:PORT (...)"
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd wait_for{output_, POLLIN, 0};
        if (poll(&wait_for, 1, 100) <= 0) continue;
        char c = 0;
        if (read(output_, &c, 1) != 1) break;
        line += c;
    }
    std::size_t scheme = line.find("://");
    std::size_t space = line.find(' ', scheme == std::string::npos ? 0 : scheme);
    std::size_t colon = line.rfind(':', space);
    if (scheme == std::string::npos || colon == std::string::npos || colon < scheme + 3) return;
    url_ = line.substr(line.rfind(' ', scheme) + 1, space - line.rfind(' ', scheme) - 1);
    port_ = static_cast<unsigned short>(std::atoi(line.c_str() + colon + 1));
}

void ServerProcess::kill_now() {
    if (pid_ > 0) kill(pid_, SIGKILL);
}

bool ServerProcess::running() const {
    return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

int ServerProcess::stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopTimeoutMs);
    pid_t done = 0;
    while ((done = waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    int result = -1;
    if (done == pid_ && WIFEXITED(status)) result = WEXITSTATUS(status);
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return result;
}

ServerProcess::~ServerProcess() {
    stop();
    if (output_ >= 0) close(output_);
}

std::string make_temp_directory() {
    char pattern[] = "/tmp/ombix-http-test-XXXXXX";
    const char *made = mkdtemp(pattern);
    return made != nullptr ? made : "";
}

void remove_directory(const std::string &path) {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

void write_file(const std::string &path, const std::string &content) {
    std::ofstream file(path, std::ios::binary);
    file << content;
}

CommandResult run_command(const std::string &command) {
    CommandResult result;
    std::FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, pipe)) > 0) result.output.append(block, got);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace ombix::test
