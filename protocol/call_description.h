// The description of every call as plain data, for every consumer that reads
// the calls at run time: the command-line client, and whatever else lists,
// documents or counts them. It is generated from the rows of calls.def, the
// same rows that drive the executor's and the stubs' frames at compile time
// (call_table.h), so it cannot drift from what travels on the wire.
#ifndef OMBIX_PROTOCOL_CALL_DESCRIPTION_H
#define OMBIX_PROTOCOL_CALL_DESCRIPTION_H

#include <cstddef>
#include <cstdint>

#include "records.h"

namespace ombix::calls {

// What one argument of the local function (after the handle) is to the call.
enum class Role : std::uint8_t {
    Input,           // an integer parameter
    Text,            // a text parameter (const char *)
    Output,          // an integer output (pointer to an integer)
    WriteBytes,      // bytes to write: base64 text, or null for none
    ReadBytes,       // a buffer the local function fills; its base64 text is an output
    ReadSwitch,      // like ReadBytes, and also a parameter: null asks for no buffer
    ByteCount,       // the byte count of buffers, a parameter
    ByteCountInOut,  // a byte count sent in by pointer; the count stored comes back as an output
    ListCount,       // the number of records a list call asks for (int32_t)
    Record,          // one record, the call's only output
    RecordList,      // an array of records, the call's only output
    Description,     // the 128 bytes of the performance state description, the only output
};

// Which frame serves the call; it follows from its members' roles.
enum class Kind : std::uint8_t {
    Scalar,       // integers and texts only
    Record,       // one record out
    RecordList,   // a record list out, bounded at 512
    Description,  // the description out
    Transfer,     // byte buffers and their counts
};

// `counter` of a member that has none.
inline constexpr std::uint8_t kNoCounter = 0xFF;

// The most members a call has (the SPI transfer has seven), so that a frame
// can keep its per-member state on the stack.
inline constexpr std::size_t kMostMembers = 8;

struct Member {
    Role role;
    const char *name;  // its key on the wire and its parameter name in the C declaration
    // Integers and counts, also behind a pointer: the C type's width (8, 16
    // or 32) and signedness, by which the wire extends them. 0 for the rest.
    std::uint8_t bits;
    bool is_signed;
    // Buffers and record lists: the position among the members of the count
    // that sizes them; kNoCounter for the rest.
    std::uint8_t counter;
    const RecordLayout *record;  // Record and RecordList: the record's fields; null for the rest
};

// A member goes into the parameter list (in member order) or comes back in
// the output list (in member order), or both.
constexpr bool is_parameter(Role role) {
    return role != Role::Output && role != Role::ReadBytes && role != Role::Record && role != Role::RecordList &&
           role != Role::Description;
}
constexpr bool is_output(Role role) {
    return role == Role::Output || role == Role::ReadBytes || role == Role::ReadSwitch ||
           role == Role::ByteCountInOut || role == Role::Record || role == Role::RecordList ||
           role == Role::Description;
}
constexpr bool is_buffer(Role role) {
    return role == Role::WriteBytes || role == Role::ReadBytes || role == Role::ReadSwitch;
}
constexpr bool is_byte_count(Role role) {
    return role == Role::ByteCount || role == Role::ByteCountInOut;
}
// The parameter list carries it as a JSON integer.
constexpr bool is_integer_parameter(Role role) {
    return role == Role::Input || role == Role::ListCount || is_byte_count(role);
}

// The roles of the callers, each allowed every call of the roles before it.
// (Named apart from Role, which is what a member is to its call.)
enum class Privilege : std::uint8_t {
    Reader,    // calls that only read
    Operator,  // settings and bus transfers that change the board's devices
    Admin,     // power, password, watchdog arming, storage writes, intruder reset
};

// "reader", "operator" or "admin": the name of a role in the token store,
// the command-line client and the API's description.
constexpr const char *privilege_name(Privilege privilege) {
    switch (privilege) {
        case Privilege::Reader: return "reader";
        case Privilege::Operator: return "operator";
        case Privilege::Admin: return "admin";
    }
    return "admin";
}

struct CallDescription {
    const char *name;  // the call name on the wire, "OmbixGetFanSpeed"
    Kind kind;
    const Member *members;  // the local function's arguments after the handle, in order
    std::size_t member_count;
    std::size_t parameter_count;  // elements of the parameter list
    std::size_t output_count;     // elements of the output list
    // The least role that may run the call. Admin until the row says
    // otherwise, so that a description built without it is never too open.
    Privilege privilege = Privilege::Admin;
};

constexpr CallDescription with_privilege(CallDescription call, Privilege privilege) {
    call.privilege = privilege;
    return call;
}

// The calls in the order of the API's declaration (api/ombix_calls.h).
struct CallList {
    const CallDescription *const *entries;
    std::size_t count;

    const CallDescription *const *begin() const { return entries; }
    const CallDescription *const *end() const { return entries + count; }
};

CallList all();

// The call whose wire name is `name` ("OmbixGetFanSpeed"), or null.
const CallDescription *find(const char *name);

}  // namespace ombix::calls

#endif
