// The token store: the named tokens of the callers, each with a role, kept
// as digests only. One token a line:
//
//     NAME ROLE SHA256-HEX
//
// NAME is 1 to 64 letters, digits, '.', '_' or '-'; ROLE is reader, operator
// or admin. A client certificate's subject has a role by a line
//
//     subject: ROLE SUBJECT
//
// SUBJECT being the rest of the line, the subject as the server writes it
// (RFC 2253, e.g. CN=alice,O=Board Lab). Blank lines and lines starting with
// '#' are ignored. The file must not be writable by its group nor readable
// or writable by others.
#ifndef OMBIXD_TOKEN_STORE_H
#define OMBIXD_TOKEN_STORE_H

#include <string>
#include <string_view>

#include "keyring.h"

namespace ombixd {

// Where `ombixd token` edits the store unless told otherwise.
inline constexpr char kDefaultTokenStore[] = "/etc/ombix/tokens";

// Reads the store into `ring` (its keys are added, and `ring` requires
// authentication even when the store holds none); false with a message in
// `error` that names the file and, for a bad line, its number.
bool load_token_store(const std::string &path, Keyring &ring, std::string &error);

// Writes `ring` as the store, whole or not at all (a new file renamed over
// the old one). A new store is readable by its owner alone; one that exists
// keeps its group and that group's read permission, so that a service
// reading it through its group still can after an edit by root.
bool save_token_store(const std::string &path, const Keyring &ring, std::string &error);

bool is_token_name(std::string_view name);
// 1 to 1024 printable ASCII characters holding an '='.
bool is_subject_text(std::string_view subject);
bool parse_privilege(std::string_view text, Privilege &privilege);

}  // namespace ombixd

#endif
