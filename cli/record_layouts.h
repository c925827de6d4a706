// The fields of the API records, so that the command-line client can print
// any record it receives, readably or as JSON.
#ifndef OMBIX_CLI_RECORD_LAYOUTS_H
#define OMBIX_CLI_RECORD_LAYOUTS_H

#include <cstddef>

#include "ombix_records.h"

namespace ombix::cli {

enum class FieldKind { Text, Int32, Uint32, Uint16, Uint8, Float, Bytes };

struct Field {
    const char *name;
    std::size_t offset;
    FieldKind kind;
    std::size_t size;  // bytes, for Bytes fields
};

struct RecordLayout {
    const char *type;
    const Field *fields;
    std::size_t count;
};

template <typename Record>
const RecordLayout &layout_of();

#define OMBIX_CLI_RECORDS(X) \
    X(BOARD_INFO) X(CPU_INFO) X(MEMORY_INFO) X(MEMORY_MODULE) X(LIB_VERSION) X(BATTERY_INFO) X(BATTERY_STATE) \
    X(PCI_DEVICE) X(SENSOR_VALUE) X(FAN_INFO) X(DISK_DRIVE) X(DISK_PARTITION) X(SMART_ATTRIBUTE) X(NETWORK_DEVICE)

#define OMBIX_CLI_DECLARE_LAYOUT(type) \
    template <>                        \
    const RecordLayout &layout_of<type>();
OMBIX_CLI_RECORDS(OMBIX_CLI_DECLARE_LAYOUT)
#undef OMBIX_CLI_DECLARE_LAYOUT

template <typename T>
inline constexpr bool is_record = false;
#define OMBIX_CLI_IS_RECORD(type) \
    template <>                   \
    inline constexpr bool is_record<type> = true;
OMBIX_CLI_RECORDS(OMBIX_CLI_IS_RECORD)
#undef OMBIX_CLI_IS_RECORD

}  // namespace ombix::cli

#endif
