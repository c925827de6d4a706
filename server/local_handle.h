// The handle the executor passes to every function of the local board API.
// The local API runs in the server program itself, so there is no
// connection to tell apart: every call gets the same value.
#ifndef OMBIX_SERVER_LOCAL_HANDLE_H
#define OMBIX_SERVER_LOCAL_HANDLE_H

#include <cstdint>

namespace ombix::server {

inline constexpr std::int32_t kLocalHandle = 0;

}  // namespace ombix::server

#endif
