// Where audit records go, written off the serving threads: a record is
// queued and a writer thread of its own hands it to the sink, so that a slow
// or stuck log (a full disk on a network file system, a journal that does
// not read) never holds up a connection. A record that cannot be queued or
// written is counted (ombix_audit_failures_total) and reported on standard
// error once per run of failures; the call it describes has already run.
#ifndef OMBIXD_AUDIT_LOG_H
#define OMBIXD_AUDIT_LOG_H

#include <memory>
#include <string>

#include "audit_record.h"

namespace ombixd {

class AuditSink {
public:
    virtual ~AuditSink() = default;
    // False, with a reason in `error`, when the record was not written.
    virtual bool write(const AuditRecord &record, std::string &error) = 0;
    // Called on SIGHUP: a file is opened again (log rotation); false with a
    // reason when that failed and the old file is kept.
    virtual bool reopen(std::string &error) {
        (void)error;
        return true;
    }
};

// Records waiting for the writer beyond this many are dropped and counted.
inline constexpr std::size_t kAuditQueueLimit = 4096;

// Starts writing to `sink` (null: records are dropped silently, as in tests
// that need no audit). Replaces any sink before it, after writing what it
// had queued.
void start_audit(std::unique_ptr<AuditSink> sink);
// Queues a record; never blocks on the sink.
void audit(AuditRecord record) noexcept;
// Waits until every record queued so far has been handed to the sink.
void flush_audit();
// Reopens the sink's file from the writer thread; false with a reason.
bool reopen_audit(std::string &error);
// Writes what is queued and stops the writer.
void stop_audit();

}  // namespace ombixd

#endif
