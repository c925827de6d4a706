// The member vocabulary of the transfer table (transfer_calls.def), shared by
// the request executor and the client stubs.
//
// A TRANSFER row lists the local API function's arguments in order, each as
// one member:
//   IN(type, name)            an integer parameter
//   LENGTH(type, name)        a byte count parameter; its type sets its bound:
//                             uint32_t up to 262144 (else 12), int32_t 0 to
//                             262144 (below 0: 1, above: 12), uint8_t its low
//                             8 bits with no bound
//   LENGTH_INOUT(type, name)  a byte count sent in, and the count the API
//                             stored sent back as an output
//   WRITE_BYTES(name, length) bytes to write: base64 text or null, decoded
//                             into a buffer of `length` bytes
//   READ_BYTES(name, length)  a buffer of `length` bytes the API fills; its
//                             base64 text is an output
//   READ_SWITCH(name, length) like READ_BYTES, but also a parameter: null asks
//                             for no read buffer, anything else for one
// Parameters travel in the order of their members, and so do outputs.
#ifndef OMBIX_PROTOCOL_TRANSFER_MEMBERS_H
#define OMBIX_PROTOCOL_TRANSFER_MEMBERS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace ombix::transfer {

enum class Role : std::uint8_t { In, Length, LengthInOut, WriteBytes, ReadBytes, ReadSwitch };

// The most members a row has (the SPI transfer's eight).
inline constexpr std::size_t kMostMembers = 8;

struct Member {
    Role role;
    const char *name;
    const char *length_name;  // buffers: the member that holds their byte count
    std::size_t length;       // its position among the members, once resolved
};

constexpr bool is_parameter(Role role) { return role != Role::ReadBytes; }
constexpr bool is_output(Role role) {
    return role == Role::LengthInOut || role == Role::ReadBytes || role == Role::ReadSwitch;
}
constexpr bool is_buffer(Role role) {
    return role == Role::WriteBytes || role == Role::ReadBytes || role == Role::ReadSwitch;
}
constexpr bool is_integer_parameter(Role role) {
    return role == Role::In || role == Role::Length || role == Role::LengthInOut;
}

constexpr bool same_text(const char *a, const char *b) {
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

// Finds each buffer's length member; a buffer whose length is missing keeps
// the out-of-range position N, which row_fits rejects.
template <std::size_t N>
constexpr std::array<Member, N> resolve(const Member (&rows)[N]) {
    std::array<Member, N> members{};
    for (std::size_t i = 0; i < N; ++i) {
        members[i] = rows[i];
        members[i].length = N;
        if (!is_buffer(rows[i].role)) continue;
        for (std::size_t j = 0; j < N; ++j) {
            bool counts = rows[j].role == Role::Length || rows[j].role == Role::LengthInOut;
            if (counts && same_text(rows[j].name, rows[i].length_name)) members[i].length = j;
        }
    }
    return members;
}

// What a C argument of the local function is.
struct Shape {
    unsigned bits;      // width of the integer, or of the integer pointed to
    bool is_signed;
    bool pointer;
    bool bytes_in;      // const std::uint8_t *
};

template <typename A>
constexpr Shape shape_of() {
    if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        return Shape{8, false, true, true};
    } else if constexpr (std::is_pointer_v<A>) {
        using T = std::remove_pointer_t<A>;
        static_assert(std::is_integral_v<T> && sizeof(T) <= 4, "transfer outputs are integers or byte buffers");
        return Shape{8 * sizeof(T), std::is_signed_v<T>, true, false};
    } else {
        static_assert(std::is_integral_v<A> && sizeof(A) <= 4, "transfer parameters are 8 to 32-bit integers");
        return Shape{8 * sizeof(A), std::is_signed_v<A>, false, false};
    }
}

constexpr bool fits(Role role, Shape shape) {
    switch (role) {
        case Role::In: return !shape.pointer;
        case Role::Length: return !shape.pointer && (shape.bits == 32 || (shape.bits == 8 && !shape.is_signed));
        case Role::LengthInOut: return shape.pointer && !shape.bytes_in && !shape.is_signed && (shape.bits == 32 || shape.bits == 8);
        case Role::WriteBytes: return shape.bytes_in;
        case Role::ReadBytes:
        case Role::ReadSwitch: return shape.pointer && !shape.bytes_in && shape.bits == 8 && !shape.is_signed;
    }
    return false;
}

// True when every member matches the local function's argument at its
// position and every buffer names a length member.
template <typename... A, std::size_t N>
constexpr bool row_fits(const std::array<Member, N> &members) {
    if (sizeof...(A) != N) return false;
    constexpr Shape shapes[] = {shape_of<A>()...};
    for (std::size_t i = 0; i < N; ++i) {
        if (!fits(members[i].role, shapes[i])) return false;
        if (is_buffer(members[i].role) && members[i].length >= N) return false;
    }
    return true;
}

// row_fits for the arguments of `function` after its handle.
template <typename... A, std::size_t N>
constexpr bool row_fits_function(std::int32_t (*)(std::int32_t, A...), const std::array<Member, N> &members) {
    return row_fits<A...>(members);
}

}  // namespace ombix::transfer

// Row members as Member values (OMBIX_FOR_EACH(MEMBER_, ...)).
#define MEMBER_IN(type, name) ::ombix::transfer::Member{::ombix::transfer::Role::In, #name, nullptr, 0},
#define MEMBER_LENGTH(type, name) ::ombix::transfer::Member{::ombix::transfer::Role::Length, #name, nullptr, 0},
#define MEMBER_LENGTH_INOUT(type, name) \
    ::ombix::transfer::Member{::ombix::transfer::Role::LengthInOut, #name, nullptr, 0},
#define MEMBER_WRITE_BYTES(name, length) \
    ::ombix::transfer::Member{::ombix::transfer::Role::WriteBytes, #name, #length, 0},
#define MEMBER_READ_BYTES(name, length) \
    ::ombix::transfer::Member{::ombix::transfer::Role::ReadBytes, #name, #length, 0},
#define MEMBER_READ_SWITCH(name, length) \
    ::ombix::transfer::Member{::ombix::transfer::Role::ReadSwitch, #name, #length, 0},

#endif
