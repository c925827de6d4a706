// The 88 call names, as GET /calls lists them and as the server accepts them.
#ifndef OMBIXD_CALL_NAMES_H
#define OMBIXD_CALL_NAMES_H

#include <cstddef>

namespace ombixd {

extern const char *const kCallNames[];
extern const std::size_t kCallCount;

// True when `name` is one of the 88 call names (exact, case-sensitive).
bool is_call_name(const char *name);

}  // namespace ombixd

#endif
