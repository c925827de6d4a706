// The frame of every simulated API function: lock the board, note the call
// with its arguments, and apply a code forced by a test on the way out.
#ifndef OMBIX_SIM_CALL_H
#define OMBIX_SIM_CALL_H

#include <cstdint>
#include <mutex>
#include <type_traits>

#include "sim_control.h"

namespace ombix::sim {

std::mutex &board_mutex();
void note_call(CallRecord record);
// The code to return: `code`, unless a test forced another for `name`.
std::int32_t outcome(const char *name, std::int32_t code);

template <typename A>
Argument describe(A value) {
    Argument argument{};
    if constexpr (std::is_same_v<A, const char *>) {
        argument.kind = Argument::Text;
        argument.null = value == nullptr;
        if (value != nullptr) argument.text = value;
    } else if constexpr (std::is_pointer_v<A>) {
        argument.kind = Argument::Pointer;
        argument.null = value == nullptr;
    } else {
        argument.kind = Argument::Integer;
        argument.integer = value;
    }
    return argument;
}

// Describes a byte buffer by its content (null when the pointer is null).
Argument bytes_argument(const std::uint8_t *data, std::int64_t length);

class SimCall {
public:
    template <typename... A>
    SimCall(const char *name, std::int32_t handle, A... arguments) : lock_(board_mutex()), name_(name) {
        CallRecord record{name, {describe(arguments)...}, handle};
        note_call(std::move(record));
    }
    // Records further arguments the constructor could not describe (buffers).
    void add(Argument argument);

    std::int32_t finish(std::int32_t code) const { return outcome(name_, code); }

private:
    std::unique_lock<std::mutex> lock_;
    const char *name_;
};

}  // namespace ombix::sim

#endif
