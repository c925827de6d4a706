// The request target of a request line, as the server routes it.
#ifndef OMBIXD_REQUEST_TARGET_H
#define OMBIXD_REQUEST_TARGET_H

#include <string>
#include <string_view>

namespace ombixd {

// The path of an origin-form target ("/call/OmbixGetFanSpeed?x" gives
// "/call/OmbixGetFanSpeed"), with its percent escapes decoded. False for a
// target that is not a path, a broken escape, or an escape that decodes to
// NUL: a name cut short at a NUL must never reach the executor.
bool decode_path(std::string_view target, std::string &path);

}  // namespace ombixd

#endif
