// GET /session: who the caller's token is and what it may do, so that a
// client (the dashboard) offers only the calls the server will run for it,
// and says what a failed call's code means in the server's own words.
//
//   {"name": "alice", "role": "operator",
//    "calls": ["OmbixGetBoardInfo", ...],      every call the role may run
//    "codes": {"0": "success", "12": ...},      the codes with a meaning of their own
//    "otherCode": "the board API reported a failure"}
//
// Without tokens the caller is "anonymous" with the admin role.
#ifndef OMBIXD_SESSION_ENDPOINT_H
#define OMBIXD_SESSION_ENDPOINT_H

#include "keyring.h"
#include "request_handler.h"

namespace ombixd {

// `key` is the caller's, or null when the server takes no token.
Answer describe_session(const Key *key, Privilege caller) noexcept;

}  // namespace ombixd

#endif
