// Fuzz target: arbitrary answers from a scripted transport into every stub.
// The transport returns the code and output list the input gives; the
// sanitizers then see any write past a caller's buffer, any read of freed
// memory and any list the stub should have released but did not.
//
// Input: one byte selecting the stub, one byte selecting the code, 16 bytes
// from which the stub's arguments are made, then the output list as JSON text.
#include <jansson.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "ombixRemoteCall.h"
#include "ombix_transport.h"

namespace {

constexpr std::size_t kArgumentBytes = 16;
constexpr std::uint32_t kLargestBuffer = 262145;

struct Input {
    const std::uint8_t *bytes;
    std::size_t size;
    std::size_t used = 0;
    std::uint8_t next() { return used < size ? bytes[used++] : 0; }
};

// The scripted answer of the transport for this input.
struct Script {
    std::int32_t code = 0;
    const char *outs_text = nullptr;
    std::size_t outs_size = 0;
    json_t *kept = nullptr;  // a list returned with a code the stub must not take
} script;

std::int32_t pick_code(std::uint8_t selector) {
    static constexpr std::int32_t kCodes[] = {0, 16, 0, 16, 5, 12, 65543, -1};
    return kCodes[selector % (sizeof kCodes / sizeof kCodes[0])];
}

// Integers a caller might pass, each extended by the stub by its type.
std::int64_t pick_integer(Input &in) {
    static constexpr std::int64_t kValues[] = {0,     1,     2,      3,      5,         8,        100, 127,
                                               128,   255,   256,    511,    512,       513,      -1,  -512,
                                               65535, 65536, 262144, 262145, INT32_MAX, INT32_MIN};
    return kValues[in.next() % (sizeof kValues / sizeof kValues[0])];
}

std::uint32_t pick_count(Input &in) {
    static constexpr std::uint32_t kCounts[] = {0,   1,   2,   3,      4,      5,           7,          8,
                                                100, 255, 256, 262144, 262145, 0x80000000u, 0xFFFFFFFFu};
    return kCounts[in.next() % (sizeof kCounts / sizeof kCounts[0])];
}

// A heap buffer of exactly `count` bytes, so that ASan sees the first byte
// past it; counts no caller could hold get a one-byte buffer that a stub must
// not read (a count of 2^31 or more is negative and sends no data).
struct Buffer {
    std::vector<std::uint8_t> bytes;
    explicit Buffer(std::uint32_t count) : bytes(count <= kLargestBuffer ? count : 1, 0x5A) {}
    bool holds(std::uint32_t count) const { return count <= kLargestBuffer; }
    // Sometimes null, as a caller may pass for a buffer.
    std::uint8_t *maybe_null(Input &in) { return in.next() % 4 == 0 ? nullptr : bytes.data(); }
};

// Read buffers: a capacity no caller could hold goes with a null buffer.
std::uint8_t *read_buffer(Input &in, Buffer &buffer, std::uint32_t capacity) {
    return buffer.holds(capacity) ? buffer.maybe_null(in) : nullptr;
}

bool call_transfer_stub(const char *name, Input &in) {
    auto is = [name](const char *stub) { return std::strcmp(name, stub) == 0; };
    if (is("I2cRead")) {
        std::uint32_t capacity = pick_count(in);
        Buffer buffer(capacity);
        OmbixR_I2cRead(7, in.next(), in.next(), in.next(), in.next(), read_buffer(in, buffer, capacity), &capacity);
    } else if (is("I2cWrite")) {
        std::uint32_t count = pick_count(in);
        Buffer buffer(count);
        OmbixR_I2cWrite(7, in.next(), in.next(), in.next(), buffer.maybe_null(in), count);
    } else if (is("I2cXfer")) {
        std::uint32_t write_count = pick_count(in), capacity = pick_count(in);
        Buffer write(write_count), read(capacity);
        OmbixR_I2cXfer(7, in.next(), in.next(), write.maybe_null(in), write_count, read_buffer(in, read, capacity),
                       &capacity);
    } else if (is("StorageWrite")) {
        std::uint32_t count = pick_count(in);
        Buffer buffer(count);
        OmbixR_StorageWrite(7, in.next(), static_cast<std::int32_t>(pick_integer(in)), buffer.maybe_null(in),
                            static_cast<std::int32_t>(count));
    } else if (is("StorageRead")) {
        std::uint32_t count = pick_count(in);
        Buffer buffer(count);
        // A negative count (2^31 and up) sizes nothing: any buffer will do.
        std::uint8_t *data = count >= 0x80000000u ? buffer.bytes.data() : read_buffer(in, buffer, count);
        OmbixR_StorageRead(7, in.next(), static_cast<std::int32_t>(pick_integer(in)), data,
                           static_cast<std::int32_t>(count));
    } else if (is("SpiXfer")) {
        std::uint32_t count = pick_count(in);
        Buffer write(count), read(count);
        OmbixR_SpiXfer(7, in.next(), static_cast<std::uint16_t>(pick_integer(in)),
                       static_cast<std::uint32_t>(pick_integer(in)), in.next(), count, write.maybe_null(in),
                       read_buffer(in, read, count));
    } else if (is("SmbusWriteBlock")) {
        std::uint8_t count = in.next();
        Buffer buffer(count);
        OmbixR_SmbusWriteBlock(7, in.next(), in.next(), in.next(), buffer.maybe_null(in), count);
    } else if (is("SmbusReadBlock")) {
        std::uint8_t capacity = in.next();
        Buffer buffer(capacity);
        OmbixR_SmbusReadBlock(7, in.next(), in.next(), in.next(), buffer.maybe_null(in), &capacity);
    } else {
        return false;
    }
    return true;
}

// Every other stub: integers from the set above, and outputs, records and
// texts in regions large enough for any record list an input can describe.
constexpr std::size_t kRegionBytes = 4u << 20;
alignas(16) std::uint8_t regions[8][kRegionBytes];

template <typename A>
A argument(Input &in, std::size_t index) {
    if constexpr (std::is_same_v<A, const char *>) {
        return in.next() % 8 == 0 ? nullptr : "secret";
    } else if constexpr (std::is_pointer_v<A>) {
        return reinterpret_cast<A>(regions[index]);
    } else {
        return static_cast<A>(pick_integer(in));
    }
}

template <typename... A, std::size_t... I>
void call_in_order(std::int32_t (*stub)(std::int32_t, A...), Input &in, std::index_sequence<I...>) {
    std::tuple<A...> values{argument<A>(in, I)...};  // braces: made left to right
    stub(7, std::get<I>(values)...);
}

template <typename... A>
void call_any(std::int32_t (*stub)(std::int32_t, A...), Input &in) {
    call_in_order(stub, in, std::index_sequence_for<A...>{});
}

using Invoke = void (*)(Input &);
struct Stub {
    const char *name;
    Invoke invoke;
};

#define OMBIX_CALL(name, arguments) {#name, [](Input &in) { call_any(&OmbixR_##name, in); }},
const Stub kStubs[] = {
#include "ombix_calls.h"
};
#undef OMBIX_CALL

}  // namespace

extern "C" json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params) {
    (void)handle;
    (void)name;
    json_decref(params);  // the transport owns the parameter list
    *code = script.code;
    json_t *outs = json_loadb(script.outs_text, script.outs_size, JSON_DECODE_ANY, nullptr);
    if (script.code != 0 && script.code != 16) script.kept = outs;  // never the stub's to read or release
    return outs;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2 + kArgumentBytes) return 0;
    const Stub &stub = kStubs[data[0] % (sizeof kStubs / sizeof kStubs[0])];
    script.code = pick_code(data[1]);
    script.outs_text = reinterpret_cast<const char *>(data + 2 + kArgumentBytes);
    script.outs_size = size - 2 - kArgumentBytes;
    Input in{data + 2, kArgumentBytes};
    if (!call_transfer_stub(stub.name, in)) stub.invoke(in);
    json_decref(script.kept);
    script.kept = nullptr;
    return 0;
}
