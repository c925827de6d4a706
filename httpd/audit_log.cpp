#include "audit_log.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "server_metrics.h"

namespace ombixd {
namespace {

class Writer {
public:
    explicit Writer(std::unique_ptr<AuditSink> sink) : sink_(std::move(sink)), thread_([this] { run(); }) {}

    ~Writer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void push(AuditRecord &&record) {
        bool was_empty;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.size() + in_hand_ >= kAuditQueueLimit) {
                failed_locked("the audit queue is full");
                return;
            }
            was_empty = queue_.empty();
            queue_.push_back(std::move(record));
            ++queued_;
        }
        // The writer sleeps only on an empty queue: waking it for every
        // record would cost the serving thread a system call each time.
        if (was_empty) wake_.notify_one();
    }

    void flush() {
        std::unique_lock<std::mutex> lock(mutex_);
        const unsigned long long target = queued_;
        done_.wait(lock, [&] { return written_ >= target; });
    }

    bool reopen(std::string &error) {
        std::lock_guard<std::mutex> sink_lock(sink_mutex_);
        return sink_->reopen(error);
    }

private:
    void failed_locked(const std::string &why) {
        count_audit_failure();
        if (failing_) return;
        failing_ = true;
        std::fprintf(stderr, "ombixd: an audit record was not written: %s\n", why.c_str());
    }

    // Takes what has queued up in one go, and writes it outside the lock.
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        std::deque<AuditRecord> batch;
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;  // stopping, and everything written
            batch.swap(queue_);
            in_hand_ = batch.size();
            lock.unlock();
            for (const AuditRecord &record : batch) {
                std::string error;
                bool written;
                {
                    std::lock_guard<std::mutex> sink_lock(sink_mutex_);
                    written = sink_->write(record, error);
                }
                std::lock_guard<std::mutex> relock(mutex_);
                if (written) {
                    count_audit_record();
                    if (failing_) std::fprintf(stderr, "ombixd: audit records are written again\n");
                    failing_ = false;
                } else {
                    failed_locked(error);
                }
                --in_hand_;
                ++written_;
                done_.notify_all();
            }
            batch.clear();
            lock.lock();
        }
    }

    std::unique_ptr<AuditSink> sink_;
    std::mutex sink_mutex_;  // the writer and a reopen take turns on the sink
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<AuditRecord> queue_;
    std::size_t in_hand_ = 0;  // taken by the writer and not yet written: they count towards the bound
    unsigned long long queued_ = 0;
    unsigned long long written_ = 0;  // handed to the sink, written or not
    bool failing_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once everything above is ready
};

std::mutex writer_mutex;
std::shared_ptr<Writer> current_writer;

std::shared_ptr<Writer> writer() {
    std::lock_guard<std::mutex> lock(writer_mutex);
    return current_writer;
}

}  // namespace

void start_audit(std::unique_ptr<AuditSink> sink) {
    std::shared_ptr<Writer> next = sink ? std::make_shared<Writer>(std::move(sink)) : nullptr;
    std::shared_ptr<Writer> previous;
    {
        std::lock_guard<std::mutex> lock(writer_mutex);
        previous = std::move(current_writer);
        current_writer = std::move(next);
    }
    // The last holder of the old writer writes its queue and joins it.
}

void audit(AuditRecord record) noexcept {
    try {
        if (auto current = writer()) current->push(std::move(record));
    } catch (const std::exception &) {
        count_audit_failure();
    }
}

void flush_audit() {
    if (auto current = writer()) current->flush();
}

bool reopen_audit(std::string &error) {
    auto current = writer();
    return current == nullptr || current->reopen(error);
}

void stop_audit() {
    start_audit(nullptr);
}

}  // namespace ombixd
