// The frame of every API function: failures become codes, never exceptions
// crossing the C interface, and texts are copied into records bounded.
#ifndef OMBIX_LINUX_CALL_H
#define OMBIX_LINUX_CALL_H

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "board.h"
#include "ombix_linux_board.h"

namespace ombix::linux_board {

inline std::int32_t os_error(int errnum) {
    return errnum > 0 && errnum < 4096 ? OMBIX_LINUX_RC_OS_ERROR(errnum) : OMBIX_LINUX_RC_OS_ERROR(EIO);
}

// Runs the body of an API function with the board in force.
template <typename F>
std::int32_t run_call(F &&body) {
    try {
        std::shared_ptr<const Board> board = current_board();
        if (!board) return os_error(ENOMEM);
        return body(*board);
    } catch (const std::bad_alloc &) {
        return os_error(ENOMEM);
    } catch (...) {
        return os_error(EIO);
    }
}

// Copies at most 127 bytes and terminates; the rest of the field is zeroed.
template <std::size_t N>
void set_text(char (&field)[N], const std::string &text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

// An index given by the caller, checked against a count.
inline bool valid_index(std::int64_t index, std::size_t count) {
    return index >= 0 && static_cast<std::uint64_t>(index) < count;
}

}  // namespace ombix::linux_board

#endif
