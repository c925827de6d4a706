#include "audit_sinks.h"

#include <fcntl.h>
#include <unistd.h>

#include <syslog.h>
#include <systemd/sd-daemon.h>
#include <systemd/sd-journal.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ombixd {
namespace {

class JournalSink : public AuditSink {
public:
    bool write(const AuditRecord &record, std::string &error) override {
        const std::string code = record.has_code ? std::to_string(record.code) : std::string("none");
        const std::string message = record.call + " by " + record.caller + " from " + record.peer + ": " +
                                    record.outcome + " (status " + std::to_string(record.status) + ", ret " + code +
                                    ")";
        // A refusal is worth more attention than a call that ran.
        const int priority = record.outcome == "ran" ? LOG_NOTICE : LOG_WARNING;
        int result = sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%d", priority, "SYSLOG_IDENTIFIER=ombixd",
                                     "OMBIX_AUDIT=1", "OMBIX_CALL=%s", record.call.c_str(), "OMBIX_CALLER=%s",
                                     record.caller.c_str(), "OMBIX_PEER=%s", record.peer.c_str(), "OMBIX_PARAMS=%s",
                                     record.params.c_str(), "OMBIX_OUTCOME=%s", record.outcome.c_str(),
                                     "OMBIX_STATUS=%u", record.status, "OMBIX_RET=%s", code.c_str(), nullptr);
        if (result >= 0) return true;
        error = std::string("the journal: ") + std::strerror(-result);
        return false;
    }
};

int open_append(const std::string &path) {
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
}

class JsonLinesSink : public AuditSink {
public:
    // `fd` may be -1: the file is then opened when a record comes, so that a
    // log folder made after the start is used from then on.
    JsonLinesSink(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    ~JsonLinesSink() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool write(const AuditRecord &record, std::string &error) override {
        if (fd_ < 0) fd_ = open_append(path_);
        if (fd_ < 0) {
            error = path_ + ": " + std::strerror(errno);
            return false;
        }
        const std::string line = audit_json_line(record);
        if (line.empty()) {
            error = "out of memory";
            return false;
        }
        // One write of the whole line: with O_APPEND the kernel places it at
        // the end in one piece, so records of several writers (another
        // process on the same file included) never interleave.
        ssize_t written;
        do {
            written = ::write(fd_, line.data(), line.size());
        } while (written < 0 && errno == EINTR);
        if (written == static_cast<ssize_t>(line.size())) return true;
        error = path_ + ": " + (written < 0 ? std::strerror(errno) : "short write");
        return false;
    }

    // The rotated file is let go and a new one opened under the same name;
    // the descriptor number stays, so nothing else needs to know.
    bool reopen(std::string &error) override {
        const int fresh = open_append(path_);
        if (fresh < 0) {
            error = path_ + ": " + std::strerror(errno);
            return false;
        }
        if (fd_ < 0) {
            fd_ = fresh;
            return true;
        }
        const int kept = ::dup3(fresh, fd_, O_CLOEXEC);
        const int saved = errno;
        ::close(fresh);
        if (kept < 0) {
            error = path_ + ": " + std::strerror(saved);
            return false;
        }
        return true;
    }

private:
    const std::string path_;
    int fd_;
};

}  // namespace

bool started_by_systemd() {
    const char *invocation = std::getenv("INVOCATION_ID");
    return sd_booted() > 0 && invocation != nullptr && invocation[0] != '\0';
}

std::unique_ptr<AuditSink> journal_sink() {
    return std::make_unique<JournalSink>();
}

std::unique_ptr<AuditSink> json_lines_sink(const std::string &path, std::string &error) {
    const int fd = open_append(path);
    if (fd < 0) {
        error = "cannot open the audit file " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<JsonLinesSink>(path, fd);
}

std::unique_ptr<AuditSink> json_lines_sink_when_possible(const std::string &path, std::string &error) {
    const int fd = open_append(path);
    if (fd < 0) error = "cannot open the audit file " + path + ": " + std::strerror(errno);
    return std::make_unique<JsonLinesSink>(path, fd);
}

bool choose_audit_sink(const std::string &target, std::unique_ptr<AuditSink> &sink, std::string &error,
                       std::string &warning) {
    sink.reset();
    if (target == "none") return true;
    if (target == "journal" || (target == "auto" && started_by_systemd())) {
        sink = journal_sink();
        return true;
    }
    if (target == "auto") {
        sink = json_lines_sink_when_possible(kDefaultAuditFile, warning);
        return true;
    }
    sink = json_lines_sink(target, error);
    return sink != nullptr;
}

}  // namespace ombixd
