#include "call_outputs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "arguments.h"
#include "ombix_types.h"
#include "records.h"

namespace ombix::cli {
namespace {

using calls::Member;
using calls::Role;

// A float as the double of its shortest decimal form, so that 3.4f prints as
// 3.4 and not as 3.4000000953674316.
double shortest_double(float value) {
    char text[32];
    for (int digits = 6; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) return std::strtod(text, nullptr);
    }
    return static_cast<double>(value);
}

template <typename T>
T load(const unsigned char *at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

json_t *text_json(const unsigned char *at, std::size_t size) {
    const char *text = reinterpret_cast<const char *>(at);
    return json_stringn(text, strnlen(text, size));
}

json_t *field_json(const Field &field, const unsigned char *at) {
    switch (field.kind) {
        case FieldKind::Text: return text_json(at, field.size);
        case FieldKind::Int32: return json_integer(load<std::int32_t>(at));
        case FieldKind::Uint32: return json_integer(load<std::uint32_t>(at));
        case FieldKind::Uint16: return json_integer(load<std::uint16_t>(at));
        case FieldKind::Uint8: return json_integer(load<std::uint8_t>(at));
        case FieldKind::Float32: return json_real(shortest_double(load<float>(at)));
        case FieldKind::Bytes: return json_string(to_hex(at, field.size).c_str());
    }
    return nullptr;
}

json_t *record_json(const RecordLayout &layout, const unsigned char *record) {
    json_t *object = json_object();
    for (std::size_t f = 0; f < layout.count; ++f) {
        const Field &field = layout.fields[f];
        json_object_set_new(object, field.key, field_json(field, record + field.offset));
    }
    return object;
}

// The bytes a read delivered: as many as its count says, within its room.
json_t *bytes_json(const calls::CallDescription &call, const Member &buffer, const std::vector<Slot> &slots,
                   const Slot &slot) {
    long long filled = integer_of(call.members[buffer.counter], slots[buffer.counter]);
    std::size_t room = slot.storage.empty() ? 0 : slot.storage.size() - 1;
    std::size_t count = filled < 0                                       ? 0
                        : static_cast<unsigned long long>(filled) < room ? static_cast<std::size_t>(filled)
                                                                         : room;
    return json_string(to_hex(slot.storage.data(), count).c_str());
}

json_t *output_json(const calls::CallDescription &call, std::size_t i, const std::vector<Slot> &slots) {
    const Member &m = call.members[i];
    const Slot &slot = slots[i];
    switch (m.role) {
        case Role::Output:
        case Role::ByteCountInOut: return json_integer(integer_of(m, slot));
        case Role::ReadBytes:
        case Role::ReadSwitch: return bytes_json(call, m, slots, slot);
        case Role::Description: return text_json(slot.storage.data(), OMBIX_DESCRIPTION_SIZE);
        case Role::Record: return record_json(*m.record, slot.storage.data());
        case Role::RecordList: {
            json_t *list = json_array();
            for (std::size_t r = 0; r < slot.record_count; ++r) {
                json_array_append_new(list, record_json(*m.record, slot.storage.data() + r * m.record->size));
            }
            return list;
        }
        default: return nullptr;
    }
}

}  // namespace

json_t *outputs_json(const calls::CallDescription &call, const std::vector<Slot> &slots) {
    json_t *outputs = json_object();
    for (std::size_t i = 0; i < call.member_count; ++i) {
        if (calls::is_output(call.members[i].role)) {
            json_object_set_new(outputs, call.members[i].name, output_json(call, i, slots));
        }
    }
    return outputs;
}

}  // namespace ombix::cli
