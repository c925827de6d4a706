// The record encodings of the wire: one description of every record's fields
// (key, kind, place in the structure), read by the executor's encoder and by
// the client's decoder alike, so that a record's layout is written down once.
#ifndef OMBIX_PROTOCOL_RECORDS_H
#define OMBIX_PROTOCOL_RECORDS_H

#include <jansson.h>

#include <cstddef>
#include <cstdint>

#include "ombix_records.h"

namespace ombix {

enum class FieldKind : std::uint8_t { Text, Int32, Uint32, Uint16, Uint8, Float32, Bytes };

struct Field {
    const char *key;  // the member's name is its key on the wire
    FieldKind kind;
    std::size_t offset;  // within the structure
    std::size_t size;    // bytes of the member
};

struct RecordLayout {
    const Field *fields;
    std::size_t count;
    std::size_t size;  // of the whole structure
    const char *name;  // of the type, "BOARD_INFO"
};

// Every record type, in the order of api/ombix_records.h.
struct RecordLayoutList {
    const RecordLayout *const *entries;
    std::size_t count;

    const RecordLayout *const *begin() const { return entries; }
    const RecordLayout *const *end() const { return entries + count; }
};

RecordLayoutList all_records();

// The record type named `name` ("FAN_INFO"), or null.
const RecordLayout *find_record(const char *name);

// layout_of<R>::value describes record type R (defined in records.cpp, one
// per record type).
template <typename R>
struct layout_of;

// The formatter does not settle on one layout for this list.
// clang-format off
#define OMBIX_RECORD_TYPES(X) \
    X(BOARD_INFO) \
    X(CPU_INFO) \
    X(MEMORY_INFO) \
    X(MEMORY_MODULE) \
    X(LIB_VERSION) \
    X(BATTERY_INFO) \
    X(BATTERY_STATE) \
    X(PCI_DEVICE) \
    X(SENSOR_VALUE) \
    X(FAN_INFO) \
    X(DISK_DRIVE) \
    X(DISK_PARTITION) \
    X(SMART_ATTRIBUTE) \
    X(NETWORK_DEVICE)
// clang-format on

#define OMBIX_DECLARE_LAYOUT(R)          \
    template <>                          \
    struct layout_of<R> {                \
        static const RecordLayout value; \
    };
OMBIX_RECORD_TYPES(OMBIX_DECLARE_LAYOUT)
#undef OMBIX_DECLARE_LAYOUT

// The record value of `record`: [{"i": key, "v": value}, ...] in field order.
// A text is sent up to its terminator and never past its 128 bytes; a text
// that is not valid UTF-8 cannot become a JSON string, nor a real that is not
// finite a JSON real, so its named value is left out. Returns a new array, or
// null when memory ran out before the record value was whole.
json_t *encode_record(const RecordLayout &layout, const void *record);

// Decodes a record value into `record` field by field, by position. Returns
// false when any element was rejected; a rejected integer field holds 0, a
// rejected real 0.0, a rejected text is left empty, and a byte field whose
// element is malformed is left untouched. Accepted fields hold their values
// whatever happened to the others.
bool decode_record(const RecordLayout &layout, const json_t *value, void *record);

template <typename R>
json_t *encode_record(const R &record) {
    return encode_record(layout_of<R>::value, &record);
}

template <typename R>
bool decode_record(const json_t *value, R *record) {
    return decode_record(layout_of<R>::value, value, record);
}

}  // namespace ombix

#endif
