// Control of the simulated board, for tests and examples: its state, the
// calls it received and codes forced onto its functions.
#ifndef OMBIX_SIM_CONTROL_H
#define OMBIX_SIM_CONTROL_H

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

namespace ombix::sim {

// Codes of the simulated board's own failures (any code but 0 and 16 is a failure).
inline constexpr std::int32_t kNoDevice = 2;      // no such fan, sensor, line, bus...
inline constexpr std::int32_t kInvalidValue = 3;  // value out of the device's range
inline constexpr std::int32_t kDenied = 4;        // wrong password, read-only line...

// One argument as the function received it. Integers keep their exact value
// at the declared width; pointers only say whether they were null, texts and
// byte buffers keep their content.
struct Argument {
    enum Kind { Integer, Text, Pointer, Bytes } kind;
    std::int64_t integer = 0;
    bool null = false;
    std::string text;
    std::vector<std::uint8_t> bytes;
};

struct CallRecord {
    std::string name;                 // "OmbixGetFanSpeed"
    std::vector<Argument> arguments;  // after the handle
    std::int32_t handle = 0;
};

// Restores the initial board, forgets the calls and the forced codes.
void reset();

// Every later call of `name` still does its work but returns `code`.
void force_code(const std::string &name, std::int32_t code);

// Turns the call log on (the default) or off; benchmarks and long-running
// servers turn it off.
void set_call_log(bool on);

// Every later call fills each integer output with `byte` in every byte before
// it returns (0xFF: all ones, -1 or the largest unsigned value), so a test can
// see at which width an output travels.
void fill_outputs(std::uint8_t byte);

// The calls since the last reset, oldest first.
std::vector<CallRecord> calls();
// The last call of `name`; a record with an empty name if there was none.
CallRecord last_call(const std::string &name);

// Direct access to the state, for a test that sets up or inspects the board
// while no call is running.
Board &board();

}  // namespace ombix::sim

#endif
