// The two places audit records are written: the systemd journal, as
// structured fields, and an append-only JSON-lines file.
#ifndef OMBIXD_AUDIT_SINKS_H
#define OMBIXD_AUDIT_SINKS_H

#include <memory>
#include <string>

#include "audit_log.h"

namespace ombixd {

// The file ombixd records to when not run by systemd and not told otherwise.
inline constexpr char kDefaultAuditFile[] = "/var/log/ombix/audit.jsonl";

// True when this process was started as a unit by the systemd service
// manager: the system was booted with it and the manager gave the process an
// invocation id. A shell on such a system does not count.
bool started_by_systemd();

// Records as journal entries: MESSAGE plus OMBIX_* fields.
std::unique_ptr<AuditSink> journal_sink();

// Records as lines appended to `path`, created with mode 0640 when missing.
// Null with a reason in `error` when it cannot be opened.
std::unique_ptr<AuditSink> json_lines_sink(const std::string &path, std::string &error);
// The same for the default file, which may not be there yet: a sink in any
// case, with a reason in `error` when it cannot be opened now (it is tried
// again at every record and on SIGHUP; records until then are failures).
std::unique_ptr<AuditSink> json_lines_sink_when_possible(const std::string &path, std::string &error);

// The sink `--audit` names: "journal", "none" (null), "auto" (the journal
// when started by systemd, else kDefaultAuditFile) or a file. False with a
// reason in `error` when a named file cannot be opened; `warning` says why
// the default file is not usable yet.
bool choose_audit_sink(const std::string &target, std::unique_ptr<AuditSink> &sink, std::string &error,
                       std::string &warning);

}  // namespace ombixd

#endif
