#include "records.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "base64.h"
#include "integers.h"
#include "wire.h"

namespace ombix {
namespace {

// ---- Checks of the description against the structures ----------------------

// A member's C type must be the one its kind stands for.
template <FieldKind K, typename M>
constexpr bool kind_fits() {
    switch (K) {
        case FieldKind::Text: return std::is_same_v<M, char[OMBIX_TEXT_SIZE]>;
        case FieldKind::Int32: return std::is_same_v<M, std::int32_t>;
        case FieldKind::Uint32: return std::is_same_v<M, std::uint32_t>;
        case FieldKind::Uint16: return std::is_same_v<M, std::uint16_t>;
        case FieldKind::Uint8: return std::is_same_v<M, std::uint8_t>;
        case FieldKind::Float32: return std::is_same_v<M, float>;
        case FieldKind::Bytes: return std::is_array_v<M> && std::is_same_v<std::remove_extent_t<M>, std::uint8_t>;
    }
    return false;
}

template <FieldKind K, typename M>
constexpr Field field(const char *key, std::size_t offset) {
    static_assert(kind_fits<K, M>(), "a field's kind differs from its member's type");
    return Field{key, K, offset, sizeof(M)};
}

#define OMBIX_FIELD(R, kind, member) field<FieldKind::kind, decltype(R::member)>(#member, offsetof(R, member))

constexpr std::size_t alignment(FieldKind kind) {
    switch (kind) {
        case FieldKind::Int32:
        case FieldKind::Uint32:
        case FieldKind::Float32: return 4;
        case FieldKind::Uint16: return 2;
        default: return 1;
    }
}

constexpr std::size_t align_up(std::size_t value, std::size_t to) {
    return (value + to - 1) / to * to;
}

// The fields must lie in table order, each at its natural alignment right
// behind the previous one, and fill the structure up to its final padding:
// the layout both sides and the local API share in memory.
template <std::size_t N>
constexpr bool naturally_laid_out(const Field (&fields)[N], std::size_t size) {
    std::size_t end = 0;
    std::size_t widest = 1;
    for (const Field &f : fields) {
        if (f.offset != align_up(end, alignment(f.kind))) return false;
        end = f.offset + f.size;
        if (alignment(f.kind) > widest) widest = alignment(f.kind);
    }
    return align_up(end, widest) == size;
}

// ---- The fourteen records ---------------------------------------------------

constexpr Field kBoardInfo[] = {
    OMBIX_FIELD(BOARD_INFO, Text, boardManufacturer), OMBIX_FIELD(BOARD_INFO, Text, boardName),
    OMBIX_FIELD(BOARD_INFO, Text, boardVersion),      OMBIX_FIELD(BOARD_INFO, Text, boardSerialNumber),
    OMBIX_FIELD(BOARD_INFO, Text, biosVersion),       OMBIX_FIELD(BOARD_INFO, Text, biosDate),
};
constexpr Field kCpuInfo[] = {
    OMBIX_FIELD(CPU_INFO, Text, cpuName),
    OMBIX_FIELD(CPU_INFO, Int32, cpuCount),
    OMBIX_FIELD(CPU_INFO, Int32, cpuCoreCount),
    OMBIX_FIELD(CPU_INFO, Int32, cpuThreadCount),
    OMBIX_FIELD(CPU_INFO, Float32, cpuMaxCoreSpeed),
    OMBIX_FIELD(CPU_INFO, Int32, fsbSpeed),
    OMBIX_FIELD(CPU_INFO, Int32, l1Cache),
    OMBIX_FIELD(CPU_INFO, Int32, l2Cache),
    OMBIX_FIELD(CPU_INFO, Int32, l3Cache),
};
constexpr Field kMemoryInfo[] = {
    OMBIX_FIELD(MEMORY_INFO, Int32, memTotal),
    OMBIX_FIELD(MEMORY_INFO, Int32, memFree),
    OMBIX_FIELD(MEMORY_INFO, Int32, memSpeed),
    OMBIX_FIELD(MEMORY_INFO, Text, memType),
};
constexpr Field kMemoryModule[] = {
    OMBIX_FIELD(MEMORY_MODULE, Int32, moduleSize),
    OMBIX_FIELD(MEMORY_MODULE, Text, manufacturer),
    OMBIX_FIELD(MEMORY_MODULE, Text, partNumber),
    OMBIX_FIELD(MEMORY_MODULE, Text, serialNumber),
};
constexpr Field kLibVersion[] = {
    OMBIX_FIELD(LIB_VERSION, Text, OmbixVersionText),
    OMBIX_FIELD(LIB_VERSION, Uint32, OmbixVersion),
};
constexpr Field kBatteryInfo[] = {
    OMBIX_FIELD(BATTERY_INFO, Text, deviceName),        OMBIX_FIELD(BATTERY_INFO, Text, type),
    OMBIX_FIELD(BATTERY_INFO, Text, serialNumber),      OMBIX_FIELD(BATTERY_INFO, Int32, designedVoltage),
    OMBIX_FIELD(BATTERY_INFO, Int32, designedCapacity), OMBIX_FIELD(BATTERY_INFO, Int32, fullyChargedCapacity),
    OMBIX_FIELD(BATTERY_INFO, Int32, cycleCount),
};
constexpr Field kBatteryState[] = {
    OMBIX_FIELD(BATTERY_STATE, Int32, powerState),     OMBIX_FIELD(BATTERY_STATE, Int32, fullBatteryRemainingTime),
    OMBIX_FIELD(BATTERY_STATE, Int32, remainingTime),  OMBIX_FIELD(BATTERY_STATE, Int32, remainingCapacity),
    OMBIX_FIELD(BATTERY_STATE, Int32, currentVoltage), OMBIX_FIELD(BATTERY_STATE, Int32, rate),
    OMBIX_FIELD(BATTERY_STATE, Int32, chargeState),
};
constexpr Field kPciDevice[] = {
    OMBIX_FIELD(PCI_DEVICE, Int32, domain),    OMBIX_FIELD(PCI_DEVICE, Int32, bus),
    OMBIX_FIELD(PCI_DEVICE, Int32, slot),      OMBIX_FIELD(PCI_DEVICE, Int32, funct),
    OMBIX_FIELD(PCI_DEVICE, Int32, deviceId),  OMBIX_FIELD(PCI_DEVICE, Int32, vendorId),
    OMBIX_FIELD(PCI_DEVICE, Int32, classId),   OMBIX_FIELD(PCI_DEVICE, Text, deviceName),
    OMBIX_FIELD(PCI_DEVICE, Text, vendorName), OMBIX_FIELD(PCI_DEVICE, Text, className),
};
constexpr Field kSensorValue[] = {
    OMBIX_FIELD(SENSOR_VALUE, Text, name),
    OMBIX_FIELD(SENSOR_VALUE, Int32, value),
};
constexpr Field kFanInfo[] = {
    OMBIX_FIELD(FAN_INFO, Text, name),       OMBIX_FIELD(FAN_INFO, Uint32, rpm),   OMBIX_FIELD(FAN_INFO, Uint8, pwm),
    OMBIX_FIELD(FAN_INFO, Uint8, powerMode), OMBIX_FIELD(FAN_INFO, Uint8, method),
};
constexpr Field kDiskDrive[] = {
    OMBIX_FIELD(DISK_DRIVE, Text, name),
    OMBIX_FIELD(DISK_DRIVE, Text, model),
    OMBIX_FIELD(DISK_DRIVE, Text, diskSerialNumber),
    OMBIX_FIELD(DISK_DRIVE, Uint32, size),
};
constexpr Field kDiskPartition[] = {
    OMBIX_FIELD(DISK_PARTITION, Text, name),
    OMBIX_FIELD(DISK_PARTITION, Text, fsType),
    OMBIX_FIELD(DISK_PARTITION, Uint32, partitionSize),
    OMBIX_FIELD(DISK_PARTITION, Uint32, freeSpace),
};
constexpr Field kSmartAttribute[] = {
    OMBIX_FIELD(SMART_ATTRIBUTE, Uint8, attrID),    OMBIX_FIELD(SMART_ATTRIBUTE, Uint16, statusFlags),
    OMBIX_FIELD(SMART_ATTRIBUTE, Uint8, attrValue), OMBIX_FIELD(SMART_ATTRIBUTE, Uint8, worstValue),
    OMBIX_FIELD(SMART_ATTRIBUTE, Bytes, rawValue),
};
constexpr Field kNetworkDevice[] = {
    OMBIX_FIELD(NETWORK_DEVICE, Text, ip),
    OMBIX_FIELD(NETWORK_DEVICE, Text, mac),
    OMBIX_FIELD(NETWORK_DEVICE, Int32, speed),
    OMBIX_FIELD(NETWORK_DEVICE, Text, deviceName),
};
#undef OMBIX_FIELD

// Size and number of fields of every record: a field left out of its table
// at the end, or a structure that grew, stops the build.
#define OMBIX_CHECK_RECORD(R, table, fields, bytes)                                           \
    static_assert(sizeof(R) == (bytes), "the size of " #R " changed");                        \
    static_assert(sizeof(table) / sizeof(Field) == (fields), "a field of " #R " is missing"); \
    static_assert(naturally_laid_out(table, sizeof(R)), "the fields of " #R " are out of order");
OMBIX_CHECK_RECORD(BOARD_INFO, kBoardInfo, 6, 768)
OMBIX_CHECK_RECORD(CPU_INFO, kCpuInfo, 9, 160)
OMBIX_CHECK_RECORD(MEMORY_INFO, kMemoryInfo, 4, 140)
OMBIX_CHECK_RECORD(MEMORY_MODULE, kMemoryModule, 4, 388)
OMBIX_CHECK_RECORD(LIB_VERSION, kLibVersion, 2, 132)
OMBIX_CHECK_RECORD(BATTERY_INFO, kBatteryInfo, 7, 400)
OMBIX_CHECK_RECORD(BATTERY_STATE, kBatteryState, 7, 28)
OMBIX_CHECK_RECORD(PCI_DEVICE, kPciDevice, 10, 412)
OMBIX_CHECK_RECORD(SENSOR_VALUE, kSensorValue, 2, 132)
OMBIX_CHECK_RECORD(FAN_INFO, kFanInfo, 5, 136)
OMBIX_CHECK_RECORD(DISK_DRIVE, kDiskDrive, 4, 388)
OMBIX_CHECK_RECORD(DISK_PARTITION, kDiskPartition, 4, 264)
OMBIX_CHECK_RECORD(SMART_ATTRIBUTE, kSmartAttribute, 5, 12)
OMBIX_CHECK_RECORD(NETWORK_DEVICE, kNetworkDevice, 4, 388)
#undef OMBIX_CHECK_RECORD
static_assert(offsetof(CPU_INFO, cpuMaxCoreSpeed) == 140 && offsetof(FAN_INFO, method) == 134 &&
                  offsetof(SMART_ATTRIBUTE, statusFlags) == 2 && offsetof(SMART_ATTRIBUTE, rawValue) == 6 &&
                  offsetof(NETWORK_DEVICE, deviceName) == 260 && offsetof(PCI_DEVICE, deviceName) == 28,
              "a record's layout in memory changed");

// ---- Encoding and decoding --------------------------------------------------

template <typename T>
T load(const unsigned char *at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename T>
void store(unsigned char *at, T value) {
    std::memcpy(at, &value, sizeof value);
}

// jansson's own rule for the texts it accepts: well-formed UTF-8 without
// overlong forms, surrogates or code points above U+10FFFF.
bool is_utf8(const unsigned char *text, std::size_t length) {
    for (std::size_t i = 0; i < length;) {
        unsigned lead = text[i];
        std::size_t size = 1;
        std::uint32_t point = lead;
        if (lead >= 0xC2 && lead <= 0xDF) {
            size = 2;
            point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            size = 3;
            point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            size = 4;
            point = lead & 0x07;
        } else if (lead >= 0x80) {
            return false;
        }
        if (length - i < size) return false;
        for (std::size_t k = 1; k < size; ++k) {
            if ((text[i + k] & 0xC0) != 0x80) return false;
            point = point << 6 | (text[i + k] & 0x3Fu);
        }
        if (size == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) return false;
        if (size == 4 && (point < 0x10000 || point > 0x10FFFF)) return false;
        i += size;
    }
    return true;
}

// A field's value, or null. A value that JSON cannot carry (a text that is
// not UTF-8, a real that is not finite) leaves `representable` false; any
// other null means that memory ran out.
json_t *field_value(const Field &f, const unsigned char *at, bool &representable) {
    representable = true;
    switch (f.kind) {
        case FieldKind::Text: {
            const void *end = std::memchr(at, '\0', f.size);
            std::size_t length =
                end != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char *>(end) - at) : f.size;
            representable = is_utf8(at, length);
            return representable ? json_stringn_nocheck(reinterpret_cast<const char *>(at), length) : nullptr;
        }
        case FieldKind::Int32: return integer_value(load<std::int32_t>(at));
        case FieldKind::Uint32: return integer_value(load<std::uint32_t>(at));
        case FieldKind::Uint16: return integer_value(load<std::uint16_t>(at));
        case FieldKind::Uint8: return integer_value(load<std::uint8_t>(at));
        case FieldKind::Float32: {
            float value = load<float>(at);
            representable = std::isfinite(value);
            return representable ? json_real(static_cast<double>(value)) : nullptr;
        }
        case FieldKind::Bytes: return encodeBase64(at, static_cast<std::int32_t>(f.size));
    }
    return nullptr;
}

template <typename T>
bool store_integer(unsigned char *at, const json_t *value) {
    bool accepted = json_is_integer(value);
    store<T>(at, accepted ? low_bits<T>(value) : T{});
    return accepted;
}

// `value` is the element's "v" after the name checks, or null.
bool decode_field(const Field &f, const json_t *value, unsigned char *at) {
    switch (f.kind) {
        case FieldKind::Text: {
            if (!json_is_string(value)) {
                std::memset(at, 0, f.size);
                return false;
            }
            // At most 127 characters, so the field always stays terminated.
            std::size_t length = strnlen(json_string_value(value), f.size - 1);
            std::memcpy(at, json_string_value(value), length);
            std::memset(at + length, 0, f.size - length);
            return true;
        }
        case FieldKind::Int32: return store_integer<std::int32_t>(at, value);
        case FieldKind::Uint32: return store_integer<std::uint32_t>(at, value);
        case FieldKind::Uint16: return store_integer<std::uint16_t>(at, value);
        case FieldKind::Uint8: return store_integer<std::uint8_t>(at, value);
        case FieldKind::Float32: {
            bool accepted = json_is_real(value);
            store<float>(at, accepted ? static_cast<float>(json_real_value(value)) : 0.0f);
            return accepted;
        }
        case FieldKind::Bytes:
            if (!json_is_string(value)) return false;
            return decodeBase64(json_string_value(value), at, static_cast<std::uint32_t>(f.size));
    }
    return false;
}

}  // namespace

#define OMBIX_DEFINE_LAYOUT(R, table) \
    const RecordLayout layout_of<R>::value = {table, sizeof(table) / sizeof(Field), sizeof(R), #R};
OMBIX_DEFINE_LAYOUT(BOARD_INFO, kBoardInfo)
OMBIX_DEFINE_LAYOUT(CPU_INFO, kCpuInfo)
OMBIX_DEFINE_LAYOUT(MEMORY_INFO, kMemoryInfo)
OMBIX_DEFINE_LAYOUT(MEMORY_MODULE, kMemoryModule)
OMBIX_DEFINE_LAYOUT(LIB_VERSION, kLibVersion)
OMBIX_DEFINE_LAYOUT(BATTERY_INFO, kBatteryInfo)
OMBIX_DEFINE_LAYOUT(BATTERY_STATE, kBatteryState)
OMBIX_DEFINE_LAYOUT(PCI_DEVICE, kPciDevice)
OMBIX_DEFINE_LAYOUT(SENSOR_VALUE, kSensorValue)
OMBIX_DEFINE_LAYOUT(FAN_INFO, kFanInfo)
OMBIX_DEFINE_LAYOUT(DISK_DRIVE, kDiskDrive)
OMBIX_DEFINE_LAYOUT(DISK_PARTITION, kDiskPartition)
OMBIX_DEFINE_LAYOUT(SMART_ATTRIBUTE, kSmartAttribute)
OMBIX_DEFINE_LAYOUT(NETWORK_DEVICE, kNetworkDevice)
#undef OMBIX_DEFINE_LAYOUT

namespace {

#define OMBIX_LAYOUT_ADDRESS(R) &layout_of<R>::value,
const RecordLayout *const kRecords[] = {OMBIX_RECORD_TYPES(OMBIX_LAYOUT_ADDRESS)};
#undef OMBIX_LAYOUT_ADDRESS

}  // namespace

RecordLayoutList all_records() {
    return RecordLayoutList{kRecords, sizeof(kRecords) / sizeof(kRecords[0])};
}

const RecordLayout *find_record(const char *name) {
    if (name == nullptr) return nullptr;
    for (const RecordLayout *layout : kRecords) {
        if (std::strcmp(layout->name, name) == 0) return layout;
    }
    return nullptr;
}

json_t *encode_record(const RecordLayout &layout, const void *record) {
    ValueList value;
    const unsigned char *base = static_cast<const unsigned char *>(record);
    for (std::size_t k = 0; k < layout.count; ++k) {
        const Field &f = layout.fields[k];
        bool representable = true;
        json_t *field = field_value(f, base + f.offset, representable);
        // A value JSON cannot carry is left out; the fields behind it move up.
        if (representable) value.add(f.key, field);
    }
    return value.take();
}

bool decode_record(const RecordLayout &layout, const json_t *value, void *record) {
    unsigned char *base = static_cast<unsigned char *>(record);
    bool accepted = true;
    // Every field is decoded, even after one was rejected.
    for (std::size_t k = 0; k < layout.count; ++k) {
        const Field &f = layout.fields[k];
        accepted = decode_field(f, named_at(value, k, f.key), base + f.offset) && accepted;
    }
    return accepted;
}

}  // namespace ombix
