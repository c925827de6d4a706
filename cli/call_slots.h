// The storage of one run of a call from the command line: one slot per
// member of the call, filled from the name=value arguments as the member's
// role asks, and what the call left in them afterwards.
#ifndef OMBIX_CLI_CALL_SLOTS_H
#define OMBIX_CLI_CALL_SLOTS_H

#include <cstddef>
#include <string>
#include <vector>

#include "arguments.h"
#include "call_description.h"

namespace ombix::cli {

// Records a list call may be given room for; the server itself refuses more than 512.
inline constexpr long long kMaxListRoom = 65536;

struct Slot {
    long long integer = 0;     // an integer parameter as given (a write count left out: the bytes' size)
    std::string text;          // a text parameter
    bool bytes_given = false;  // bytes to write were given; else the call gets a null pointer
    // The bytes to write; the room an output, a buffer or records are
    // written into. Empty for a read buffer whose count no server accepts:
    // the call then gets a null pointer and cannot be made to write past it.
    std::vector<unsigned char> storage;
    std::size_t record_count = 0;  // a record list: records the storage holds
};

// Fills `slots`, one per member of `call`, from `arguments`. False, with a
// message for the user, when an argument is missing, malformed or not one of
// the call's, or when a count asks for more bytes than were given.
bool prepare_slots(const calls::CallDescription &call, const Arguments &arguments, std::vector<Slot> &slots,
                   std::string &error);

// The value of member `m` after the call: an output as stored, a parameter
// as passed, each at its C width and signedness.
long long integer_of(const calls::Member &m, const Slot &slot);

}  // namespace ombix::cli

#endif
