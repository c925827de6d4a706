// The frame of every simulated API function: lock the board, note the call
// with its arguments, and apply a code forced by a test on the way out.
#ifndef OMBIX_SIM_CALL_H
#define OMBIX_SIM_CALL_H

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <type_traits>

#include "sim_control.h"

namespace ombix::sim {

std::mutex &board_mutex();
void note_call(CallRecord record);
bool call_log_on();

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

// Where an integer output of the current call lives, so that a test can
// overwrite it with a byte pattern (see fill_outputs in sim_control.h).
struct OutputSlot {
    void *address;
    std::size_t size;
};

template <typename A>
void note_output(A argument, OutputSlot *&next) {
    if constexpr (std::is_pointer_v<A>) {
        using T = std::remove_pointer_t<A>;
        if constexpr (std::is_integral_v<T> && !std::is_const_v<T>) {
            if (argument != nullptr) *next++ = OutputSlot{argument, sizeof(T)};
        }
    }
}

// Applies a forced code and, when a test asked for it, the output pattern.
std::int32_t outcome(const char *name, std::int32_t code, const OutputSlot *outputs, std::size_t count);

class SimCall {
public:
    template <typename... A>
    SimCall(const char *name, std::int32_t handle, A... arguments) : lock_(board_mutex()), name_(name) {
        if (call_log_on()) note_call(CallRecord{name, {describe(arguments)...}, handle});
        OutputSlot *next = outputs_;
        (note_output(arguments, next), ...);
        output_count_ = static_cast<std::size_t>(next - outputs_);
    }
    // Records further arguments the constructor could not describe (buffers).
    void add(Argument argument);

    std::int32_t finish(std::int32_t code) const { return outcome(name_, code, outputs_, output_count_); }

private:
    std::unique_lock<std::mutex> lock_;
    const char *name_;
    OutputSlot outputs_[8];
    std::size_t output_count_ = 0;
};

}  // namespace ombix::sim

#endif
