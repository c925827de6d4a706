// The decoders of the record values the stubs receive: one shared decoder
// for every record type, and the five named ones the API's clients know,
// Unpack_<TYPE>, which the stubs of those types use.
#ifndef OMBIX_CLIENT_RECORD_UNPACKERS_H
#define OMBIX_CLIENT_RECORD_UNPACKERS_H

#include <jansson.h>

#include "ombix_records.h"
#include "records.h"

namespace ombix::client {

template <typename R>
using Unpacker = void (*)(const json_t *value, R *record, bool *failed);

// Decodes a record value into `record`; a null value writes nothing. Sets
// `failed` for a rejected element, never clears it.
template <typename R>
void unpack_record(const json_t *value, R *record, bool *failed) {
    if (value == nullptr) return;
    if (!decode_record(value, record)) *failed = true;
}

inline void Unpack_BOARD_INFO(const json_t *value, BOARD_INFO *record, bool *failed) {
    unpack_record(value, record, failed);
}
inline void Unpack_CPU_INFO(const json_t *value, CPU_INFO *record, bool *failed) {
    unpack_record(value, record, failed);
}
inline void Unpack_BATTERY_INFO(const json_t *value, BATTERY_INFO *record, bool *failed) {
    unpack_record(value, record, failed);
}
inline void Unpack_BATTERY_STATE(const json_t *value, BATTERY_STATE *record, bool *failed) {
    unpack_record(value, record, failed);
}
inline void Unpack_PCI_DEVICE(const json_t *value, PCI_DEVICE *record, bool *failed) {
    unpack_record(value, record, failed);
}

// The decoder a stub of record type R uses.
template <typename R>
constexpr Unpacker<R> unpacker_of() {
    return &unpack_record<R>;
}
template <>
constexpr Unpacker<BOARD_INFO> unpacker_of<BOARD_INFO>() {
    return &Unpack_BOARD_INFO;
}
template <>
constexpr Unpacker<CPU_INFO> unpacker_of<CPU_INFO>() {
    return &Unpack_CPU_INFO;
}
template <>
constexpr Unpacker<BATTERY_INFO> unpacker_of<BATTERY_INFO>() {
    return &Unpack_BATTERY_INFO;
}
template <>
constexpr Unpacker<BATTERY_STATE> unpacker_of<BATTERY_STATE>() {
    return &Unpack_BATTERY_STATE;
}
template <>
constexpr Unpacker<PCI_DEVICE> unpacker_of<PCI_DEVICE>() {
    return &Unpack_PCI_DEVICE;
}

}  // namespace ombix::client

#endif
