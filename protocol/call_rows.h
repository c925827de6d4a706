// The vocabulary of the rows of calls.def, as constexpr C++: each member of a
// row is a call of one of the functions below, which gives its role, its wire
// name and, through the C type it stands for, its place in the local
// function's declaration. make_row gathers a row's members into a Row, whose
// members are the run-time description (call_description.h) and whose types
// are the C declaration that call_table.h checks the row against.
//
//     in<T>(name)                 an integer parameter of type T
//     text(name)                  a text parameter (const char *)
//     out<T>(name)                an integer output (T *)
//     write_bytes(name, count)    bytes to write (const uint8_t *), sized by `count`
//     read_bytes(name, count)     a buffer to fill (uint8_t *), sized by `count`; an output
//     read_switch(name, count)    like read_bytes, and also a parameter: null asks for no buffer
//     byte_count<T>(name)         a byte count parameter; T sets its bound: uint32_t up to
//                                 262144 (else 12), int32_t 0 to 262144 (below 0: 1, above: 12),
//                                 uint8_t its low 8 bits with no bound
//     byte_count_inout<T>(name)   a byte count sent in by pointer (T *), the count stored sent back
//     list_count(name)            the number of records a list call asks for (int32_t)
//     record<R>(name)             one record R, the call's only output (R *)
//     record_list<R>(name, count) `count` records R, the call's only output (R *)
//     description(name)           the 128-byte performance state description, the only output
//     no_members                  the whole member list of a call that takes only the handle
//
// Members are listed in the order of the C declaration after the handle. The
// parameters travel in that order, and so do the outputs.
#ifndef OMBIX_PROTOCOL_CALL_ROWS_H
#define OMBIX_PROTOCOL_CALL_ROWS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "call_description.h"
#include "ombix_records.h"
#include "records.h"

namespace ombix::calls {

// One member of a row, with the C type A of the argument it stands for.
template <typename A>
struct Column {
    Member member;
    const char *counter_name;  // buffers and record lists: the name of the count that sizes them
};

struct NoMembers {};
inline constexpr NoMembers no_members{};

template <typename T>
inline constexpr bool is_wire_integer = std::is_integral_v<T> && !std::is_same_v<T, bool> && sizeof(T) <= 4;

template <typename T>
constexpr Member integer_member(Role role, const char *name) {
    static_assert(is_wire_integer<T>, "integers on the wire are 8 to 32 bits wide");
    return Member{role, name, static_cast<std::uint8_t>(8 * sizeof(T)), std::is_signed_v<T>, kNoCounter, nullptr};
}

constexpr Member plain_member(Role role, const char *name) {
    return Member{role, name, 0, false, kNoCounter, nullptr};
}

template <typename T>
constexpr Column<T> in(const char *name) {
    return {integer_member<T>(Role::Input, name), nullptr};
}

constexpr Column<const char *> text(const char *name) {
    return {plain_member(Role::Text, name), nullptr};
}

template <typename T>
constexpr Column<T *> out(const char *name) {
    return {integer_member<T>(Role::Output, name), nullptr};
}

constexpr Column<const std::uint8_t *> write_bytes(const char *name, const char *count) {
    return {plain_member(Role::WriteBytes, name), count};
}

constexpr Column<std::uint8_t *> read_bytes(const char *name, const char *count) {
    return {plain_member(Role::ReadBytes, name), count};
}

constexpr Column<std::uint8_t *> read_switch(const char *name, const char *count) {
    return {plain_member(Role::ReadSwitch, name), count};
}

template <typename T>
constexpr Column<T> byte_count(const char *name) {
    static_assert(
        std::is_same_v<T, std::uint32_t> || std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::uint8_t>,
        "a byte count is uint32_t, int32_t or uint8_t: its type sets its bound");
    return {integer_member<T>(Role::ByteCount, name), nullptr};
}

template <typename T>
constexpr Column<T *> byte_count_inout(const char *name) {
    static_assert(std::is_same_v<T, std::uint32_t> || std::is_same_v<T, std::uint8_t>,
                  "a byte count sent both ways is uint32_t or uint8_t");
    return {integer_member<T>(Role::ByteCountInOut, name), nullptr};
}

constexpr Column<std::int32_t> list_count(const char *name) {
    return {integer_member<std::int32_t>(Role::ListCount, name), nullptr};
}

template <typename R>
constexpr Column<R *> record(const char *name) {
    return {Member{Role::Record, name, 0, false, kNoCounter, &layout_of<R>::value}, nullptr};
}

template <typename R>
constexpr Column<R *> record_list(const char *name, const char *count) {
    return {Member{Role::RecordList, name, 0, false, kNoCounter, &layout_of<R>::value}, count};
}

constexpr Column<std::uint8_t *> description(const char *name) {
    return {plain_member(Role::Description, name), nullptr};
}

constexpr bool same_text(const char *a, const char *b) {
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

// A call's members, and in A the C types of the local function's arguments
// after the handle.
template <typename... A>
struct Row {
    using Function = std::int32_t (*)(std::int32_t, A...);
    static constexpr std::size_t kCount = sizeof...(A);

    const char *name;
    std::array<Member, kCount> members;

    constexpr std::size_t count_of(bool (*test)(Role)) const {
        std::size_t n = 0;
        for (const Member &m : members) n += test(m.role) ? 1 : 0;
        return n;
    }
    constexpr bool has(Role role) const {
        for (const Member &m : members)
            if (m.role == role) return true;
        return false;
    }
    constexpr Kind kind() const {
        for (const Member &m : members)
            if (is_buffer(m.role) || is_byte_count(m.role)) return Kind::Transfer;
        if (has(Role::Record)) return Kind::Record;
        if (has(Role::RecordList)) return Kind::RecordList;
        if (has(Role::Description)) return Kind::Description;
        return Kind::Scalar;
    }
    constexpr CallDescription description() const {
        return CallDescription{
            name, kind(), members.data(), kCount, count_of(is_parameter), count_of(is_output), Privilege::Admin};
    }
};

// The position of the member named `name` that `test` accepts, or kNoCounter.
template <std::size_t N>
constexpr std::uint8_t position_of(const std::array<Member, N> &members, const char *name, bool (*test)(Role)) {
    for (std::size_t j = 0; j < N; ++j) {
        if (test(members[j].role) && same_text(members[j].name, name)) return static_cast<std::uint8_t>(j);
    }
    return kNoCounter;
}

constexpr bool is_list_count(Role role) {
    return role == Role::ListCount;
}

template <typename... A>
constexpr Row<A...> make_row(const char *name, Column<A>... columns) {
    static_assert(sizeof...(A) <= kMostMembers, "a call has at most kMostMembers members");
    Row<A...> row{name, {columns.member...}};
    const char *counters[] = {columns.counter_name..., nullptr};
    for (std::size_t i = 0; i < Row<A...>::kCount; ++i) {
        if (counters[i] == nullptr) continue;
        bool (*counts)(Role) = row.members[i].role == Role::RecordList ? is_list_count : is_byte_count;
        row.members[i].counter = position_of(row.members, counters[i], counts);
    }
    return row;
}

constexpr Row<> make_row(const char *name, NoMembers) {
    return Row<>{name, {}};
}

// What the frames take for granted of a row, beyond its C types: every buffer
// and record list names its count; a list count belongs to a record list; a
// record, a record list or the description is the call's only output; and
// the integer and text calls take their parameters before their outputs.
template <typename... A>
constexpr bool is_sound(const Row<A...> &row) {
    const Kind kind = row.kind();
    bool output_seen = false;
    for (const Member &m : row.members) {
        bool needs_counter = is_buffer(m.role) || m.role == Role::RecordList;
        if (needs_counter != (m.counter != kNoCounter)) return false;
        if (m.role == Role::ListCount && kind != Kind::RecordList) return false;
        if (kind == Kind::Scalar && is_parameter(m.role) && output_seen) return false;
        output_seen = output_seen || is_output(m.role);
    }
    bool structured = kind == Kind::Record || kind == Kind::RecordList || kind == Kind::Description;
    return !structured || row.count_of(is_output) == 1;
}

}  // namespace ombix::calls

#endif
