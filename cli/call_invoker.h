// Calling a function of the board API's shape, int32_t f(int32_t handle, ...),
// with the arguments held in the slots of a run: each slot is handed over as
// the type the function takes. It serves the client stubs (OmbixR_) and, in
// tests, the local functions (Ombix) alike.
#ifndef OMBIX_CLI_CALL_INVOKER_H
#define OMBIX_CLI_CALL_INVOKER_H

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "call_slots.h"

namespace ombix::cli {

// Calls one function with the slots of one run, one slot per argument after the handle.
using Invoker = std::int32_t (*)(std::int32_t handle, Slot *slots);

template <typename A>
A pass(Slot &slot) {
    if constexpr (std::is_integral_v<A>) {
        return static_cast<A>(slot.integer);
    } else if constexpr (std::is_same_v<A, const char *>) {
        return slot.text.c_str();
    } else if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        return slot.bytes_given ? slot.storage.data() : nullptr;
    } else {
        static_assert(std::is_pointer_v<A>, "the API takes integers, texts, bytes and pointers to its outputs");
        return slot.storage.empty() ? nullptr : reinterpret_cast<A>(slot.storage.data());
    }
}

template <typename Function>
struct Invocation;

template <typename... A>
struct Invocation<std::int32_t (*)(std::int32_t, A...)> {
    template <auto F, std::size_t... K>
    static std::int32_t call(std::int32_t handle, Slot *slots, std::index_sequence<K...>) {
        return F(handle, pass<A>(slots[K])...);
    }
};

// The Invoker of function F, which has the declaration of the row of Call.
template <typename Call, typename Call::Function F>
std::int32_t invoke(std::int32_t handle, Slot *slots) {
    constexpr std::size_t arguments = Call::kRow.members.size();
    return Invocation<typename Call::Function>::template call<F>(handle, slots, std::make_index_sequence<arguments>{});
}

}  // namespace ombix::cli

#endif
