// The machinery behind run_call: prepares the arguments of a function of the
// board API's shape, int32_t f(int32_t handle, ...), from name=value texts,
// calls it and gathers its outputs into JSON. It serves the client stubs
// (OmbixR_) and, in tests, the local functions (Ombix) alike.
#ifndef OMBIX_CLI_CALL_INVOKER_H
#define OMBIX_CLI_CALL_INVOKER_H

#include <jansson.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "arguments.h"
#include "call_runner.h"
#include "ombix_types.h"
#include "record_layouts.h"

namespace ombix::cli {
namespace invoker {


// Room for any byte buffer a call fills: the largest transfer and the
// performance state description.
inline constexpr std::size_t kBufferCapacity = OMBIX_MAX_TRANSFER_BYTES;
// Records a list call may be given room for; the server itself refuses more than 512.
inline constexpr long long kMaxListRoom = 65536;

// One argument of a stub, as the runner holds it around the call.
struct Slot {
    enum Role { Input, Text, InBuffer, OutInteger, OutBuffer, OutRecords } role = Input;
    std::string name;
    long long integer = 0;
    alignas(8) unsigned char scalar[8] = {};
    std::size_t width = 0;
    bool is_signed = false;
    bool present = false;
    std::string text;
    std::vector<unsigned char> bytes;
    const RecordLayout *layout = nullptr;
    std::size_t record_size = 0;
    std::size_t record_count = 0;
    bool list = false;
};

// The declarations of a signature, "(int32_t handle, const uint8_t *data)",
// one per parameter after the handle: "const uint8_t *data".
inline std::vector<std::string> declarations(const char *signature) {
    std::vector<std::string> pieces;
    std::string text = signature;
    std::size_t start = 1;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(",)", start);
        if (end == std::string::npos) break;
        std::size_t first = text.find_first_not_of(' ', start);
        pieces.push_back(text.substr(first, end - first));
        start = end + 1;
    }
    if (!pieces.empty()) pieces.erase(pieces.begin());
    return pieces;
}

// The parameter name of a declaration: its last identifier.
inline std::string name_of(const std::string &declaration) {
    std::size_t last = declaration.find_last_not_of(' ');
    std::size_t first = declaration.find_last_of(" *", last);
    return declaration.substr(first + 1, last - first);
}

inline std::vector<std::string> parameter_names(const char *signature) {
    std::vector<std::string> names;
    for (const std::string &declaration : declarations(signature)) names.push_back(name_of(declaration));
    return names;
}

inline bool is_buffer_name(const std::string &name) {
    return name == "data" || name == "readData" || name == "writeData" || name == "description";
}

// "data" is counted by "dataLength", "readData" by "readLength"...
inline std::string length_name_of(const std::string &buffer) {
    if (buffer == "data") return "dataLength";
    if (buffer.size() > 4 && buffer.compare(buffer.size() - 4, 4, "Data") == 0)
        return buffer.substr(0, buffer.size() - 4) + "Length";
    return {};
}

struct Preparation {
    const Arguments &arguments;
    const std::vector<std::string> &names;
    std::vector<Slot> &slots;
    std::string error;

    const std::string *given(const std::string &name) const {
        auto found = arguments.find(name);
        return found == arguments.end() ? nullptr : &found->second;
    }
    const Slot *slot_named(const std::string &name) const {
        for (const Slot &slot : slots)
            if (slot.name == name) return &slot;
        return nullptr;
    }
    bool integer_argument(const std::string &name, long long &value) {
        const std::string *text = given(name);
        if (text == nullptr) {
            error = "missing argument " + name + "=INT";
            return false;
        }
        if (!parse_integer(*text, value)) {
            error = "not an integer: " + name + "=" + *text;
            return false;
        }
        return true;
    }
};

template <typename A>
bool prepare(Preparation &p, std::size_t k) {
    Slot &slot = p.slots[k];
    slot.name = p.names[k];
    if constexpr (std::is_integral_v<A>) {
        slot.role = Slot::Input;
        slot.width = sizeof(A);
        slot.is_signed = std::is_signed_v<A>;
        // A write length left out is the size of the bytes given.
        for (const Slot &buffer : p.slots)
            if (buffer.role == Slot::InBuffer && length_name_of(buffer.name) == slot.name && !p.given(slot.name)) {
                slot.integer = static_cast<long long>(buffer.bytes.size());
                return true;
            }
        return p.integer_argument(slot.name, slot.integer);
    } else if constexpr (std::is_same_v<A, const char *>) {
        slot.role = Slot::Text;
        const std::string *text = p.given(slot.name);
        if (text == nullptr) {
            p.error = "missing argument " + slot.name + "=TEXT";
            return false;
        }
        slot.text = *text;
        return true;
    } else if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        slot.role = Slot::InBuffer;
        const std::string *text = p.given(slot.name);
        slot.present = text != nullptr;
        return text == nullptr || parse_bytes(*text, slot.bytes, p.error);
    } else {
        using Target = std::remove_pointer_t<A>;
        if constexpr (is_record<Target>) {
            slot.role = Slot::OutRecords;
            slot.layout = &layout_of<Target>();
            slot.record_size = sizeof(Target);
            slot.record_count = 1;
            // A record array is followed by its count: (FAN_INFO *fans, int32_t fanCount).
            if (k + 1 < p.names.size() && p.names[k + 1].size() > 5 &&
                p.names[k + 1].compare(p.names[k + 1].size() - 5, 5, "Count") == 0) {
                long long count = 0;
                if (!p.integer_argument(p.names[k + 1], count)) return false;
                if (count < 0 || count > kMaxListRoom) {
                    p.error = p.names[k + 1] + " must be between 0 and " + std::to_string(kMaxListRoom);
                    return false;
                }
                slot.list = true;
                slot.record_count = static_cast<std::size_t>(count);
            }
            slot.bytes.assign(slot.record_size * slot.record_count + 1, 0);
            return true;
        } else {
            static_assert(std::is_integral_v<Target>, "unexpected argument type");
            if (std::is_same_v<Target, std::uint8_t> && is_buffer_name(slot.name)) {
                slot.role = Slot::OutBuffer;
                slot.bytes.assign(kBufferCapacity + 1, 0);
                return true;
            }
            slot.role = Slot::OutInteger;
            slot.width = sizeof(Target);
            slot.is_signed = std::is_signed_v<Target>;
            // Counts that go both ways (buffer size in, bytes received out).
            const std::string &name = slot.name;
            if (name.size() > 6 && name.compare(name.size() - 6, 6, "Length") == 0) {
                long long room = 0;
                if (!p.integer_argument(name, room)) return false;
                auto value = static_cast<Target>(room);
                std::memcpy(slot.scalar, &value, sizeof value);
            }
            return true;
        }
    }
}

template <typename A>
A pass(Slot &slot) {
    if constexpr (std::is_integral_v<A>) {
        return static_cast<A>(slot.integer);
    } else if constexpr (std::is_same_v<A, const char *>) {
        return slot.text.c_str();
    } else if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        return slot.present ? slot.bytes.data() : nullptr;
    } else {
        using Target = std::remove_pointer_t<A>;
        if constexpr (is_record<Target>) {
            return reinterpret_cast<Target *>(slot.bytes.data());
        } else {
            if (slot.role == Slot::OutBuffer) return reinterpret_cast<Target *>(slot.bytes.data());
            return reinterpret_cast<Target *>(slot.scalar);
        }
    }
}

inline long long scalar_value(const Slot &slot) {
    switch (slot.width) {
        case 1: return slot.is_signed ? static_cast<long long>(static_cast<std::int8_t>(slot.scalar[0])) : slot.scalar[0];
        case 2: {
            std::uint16_t value = 0;
            std::memcpy(&value, slot.scalar, 2);
            return slot.is_signed ? static_cast<std::int16_t>(value) : value;
        }
        default: {
            std::uint32_t value = 0;
            std::memcpy(&value, slot.scalar, 4);
            return slot.is_signed ? static_cast<std::int32_t>(value) : static_cast<long long>(value);
        }
    }
}

// A float as the double of its shortest decimal form, so that 3.4f prints as
// 3.4 and not as 3.4000000953674316.
inline double shortest_double(float value) {
    char text[32];
    for (int digits = 6; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) return std::strtod(text, nullptr);
    }
    return static_cast<double>(value);
}

inline json_t *record_json(const RecordLayout &layout, const unsigned char *record) {
    json_t *object = json_object();
    for (std::size_t f = 0; f < layout.count; ++f) {
        const Field &field = layout.fields[f];
        const unsigned char *at = record + field.offset;
        json_t *value = nullptr;
        switch (field.kind) {
            case FieldKind::Text: value = json_stringn(reinterpret_cast<const char *>(at), strnlen(reinterpret_cast<const char *>(at), OMBIX_TEXT_SIZE)); break;
            case FieldKind::Int32: { std::int32_t v; std::memcpy(&v, at, 4); value = json_integer(v); break; }
            case FieldKind::Uint32: { std::uint32_t v; std::memcpy(&v, at, 4); value = json_integer(v); break; }
            case FieldKind::Uint16: { std::uint16_t v; std::memcpy(&v, at, 2); value = json_integer(v); break; }
            case FieldKind::Uint8: value = json_integer(*at); break;
            case FieldKind::Float: { float v; std::memcpy(&v, at, 4); value = json_real(shortest_double(v)); break; }
            case FieldKind::Bytes: value = json_string(to_hex(at, field.size).c_str()); break;
        }
        json_object_set_new(object, field.name, value);
    }
    return object;
}

// How many bytes of an output buffer the call filled: its count
// ("dataLength", "readLength") or, for an SPI transfer, the transfer count.
inline std::size_t filled_bytes(const Slot &buffer, const std::vector<Slot> &slots) {
    const std::string count_name = length_name_of(buffer.name);
    const Slot *count = nullptr;
    for (const Slot &slot : slots)
        if (slot.name == count_name) count = &slot;
    if (count == nullptr)
        for (const Slot &slot : slots)
            if (slot.name == "numTransfers") count = &slot;
    if (count == nullptr) return 0;
    long long value = count->role == Slot::OutInteger ? scalar_value(*count) : count->integer;
    if (value < 0) return 0;
    return static_cast<unsigned long long>(value) < kBufferCapacity ? static_cast<std::size_t>(value) : kBufferCapacity;
}

inline json_t *outputs_json(const std::vector<Slot> &slots) {
    json_t *outputs = json_object();
    for (const Slot &slot : slots) {
        json_t *value = nullptr;
        switch (slot.role) {
            case Slot::OutInteger: value = json_integer(scalar_value(slot)); break;
            case Slot::OutBuffer:
                if (slot.name == "description")
                    value = json_stringn(reinterpret_cast<const char *>(slot.bytes.data()),
                                         strnlen(reinterpret_cast<const char *>(slot.bytes.data()), OMBIX_DESCRIPTION_SIZE));
                else
                    value = json_string(to_hex(slot.bytes.data(), filled_bytes(slot, slots)).c_str());
                break;
            case Slot::OutRecords:
                if (!slot.list) {
                    value = record_json(*slot.layout, slot.bytes.data());
                } else {
                    value = json_array();
                    for (std::size_t r = 0; r < slot.record_count; ++r)
                        json_array_append_new(value, record_json(*slot.layout, slot.bytes.data() + r * slot.record_size));
                }
                break;
            default: continue;
        }
        json_object_set_new(outputs, slot.name.c_str(), value);
    }
    return outputs;
}

// The count of a write as the stub takes it: at its own width, and as a
// signed 32-bit value for the wider ones (a negative count writes nothing).
inline long long count_as_sent(const Slot &count) {
    if (count.width == 1) return static_cast<std::uint8_t>(count.integer);
    if (count.width == 2) return static_cast<std::uint16_t>(count.integer);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(count.integer));
}

// Bytes given to write must cover their count, since the stub reads that
// many from them; false with a message otherwise.
inline bool write_counts_fit(const std::vector<Slot> &slots, std::string &error) {
    for (const Slot &buffer : slots) {
        if (buffer.role != Slot::InBuffer || !buffer.present) continue;
        const Slot *count = nullptr;
        for (const Slot &slot : slots)
            if (slot.role == Slot::Input && slot.name == length_name_of(buffer.name)) count = &slot;
        if (count == nullptr)
            for (const Slot &slot : slots)
                if (slot.role == Slot::Input && slot.name == "numTransfers") count = &slot;
        if (count != nullptr && count_as_sent(*count) > static_cast<long long>(buffer.bytes.size())) {
            error = count->name + "=" + std::to_string(count->integer) + " is more than the " +
                    std::to_string(buffer.bytes.size()) + " bytes given as " + buffer.name;
            return false;
        }
    }
    return true;
}

template <typename... A, std::size_t... K>
std::int32_t invoke(std::int32_t (*stub)(std::int32_t, A...), std::int32_t handle, std::vector<Slot> &slots,
                    std::index_sequence<K...>) {
    return stub(handle, pass<A>(slots[K])...);
}

template <typename... A, std::size_t... K>
bool prepare_all(Preparation &p, std::index_sequence<K...>) {
    return (prepare<A>(p, K) && ...);
}

template <typename... A>
CallResult execute_call(std::int32_t (*stub)(std::int32_t, A...), const CallInfo &call, std::int32_t handle,
                        const Arguments &arguments) {
    CallResult result;
    std::vector<std::string> names = parameter_names(call.signature);
    std::vector<Slot> slots(sizeof...(A));
    Preparation p{arguments, names, slots, {}};
    if (names.size() != sizeof...(A) || !prepare_all<A...>(p, std::index_sequence_for<A...>{})) {
        result.error = p.error;
        return result;
    }
    for (const auto &argument : arguments)
        if (std::find(names.begin(), names.end(), argument.first) == names.end()) {
            result.error = "the call has no argument " + argument.first;
            return result;
        }
    if (!write_counts_fit(slots, result.error)) return result;
    result.ran = true;
    result.code = invoke(stub, handle, slots, std::index_sequence_for<A...>{});
    if (result.code == OMBIX_RC_OK || result.code == OMBIX_RC_OUTPUTS_VALID) result.outputs = outputs_json(slots);
    return result;
}

}  // namespace invoker

// Runs `function` as `call` with the arguments given by name.
template <typename... A>
CallResult execute(std::int32_t (*function)(std::int32_t, A...), const CallInfo &call, std::int32_t handle,
                   const Arguments &arguments) {
    return invoker::execute_call(function, call, handle, arguments);
}

}  // namespace ombix::cli

#endif
