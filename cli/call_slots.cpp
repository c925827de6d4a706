#include "call_slots.h"

#include <cstdint>
#include <cstring>

#include "ombix_types.h"

namespace ombix::cli {
namespace {

using calls::Member;
using calls::Role;

// `value` as a function receives it in an argument of member `m`'s type.
long long at_width(const Member &m, long long value) {
    switch (m.bits) {
        case 8:
            return m.is_signed ? static_cast<long long>(static_cast<std::int8_t>(value))
                               : static_cast<long long>(static_cast<std::uint8_t>(value));
        case 16:
            return m.is_signed ? static_cast<long long>(static_cast<std::int16_t>(value))
                               : static_cast<long long>(static_cast<std::uint16_t>(value));
        default:
            return m.is_signed ? static_cast<long long>(static_cast<std::int32_t>(value))
                               : static_cast<long long>(static_cast<std::uint32_t>(value));
    }
}

template <typename T>
void store(std::vector<unsigned char> &storage, long long value) {
    T typed = static_cast<T>(value);
    std::memcpy(storage.data(), &typed, sizeof typed);
}

template <typename T>
long long load(const std::vector<unsigned char> &storage) {
    T typed{};
    std::memcpy(&typed, storage.data(), sizeof typed);
    return static_cast<long long>(typed);
}

// Room for an integer the function writes through a pointer, holding `value`
// at the member's width to start with.
std::vector<unsigned char> integer_room(const Member &m, long long value) {
    std::vector<unsigned char> storage(sizeof(std::uint32_t), 0);
    if (m.bits == 8) store<std::uint8_t>(storage, value);
    if (m.bits == 16) store<std::uint16_t>(storage, value);
    if (m.bits == 32) store<std::uint32_t>(storage, value);
    return storage;
}

// The count of bytes to write as the stub takes it: at its own width, and as
// a signed 32-bit value for the wider ones (a negative count writes nothing).
long long count_as_sent(const Member &count, long long value) {
    if (count.bits == 8) return static_cast<std::uint8_t>(value);
    if (count.bits == 16) return static_cast<std::uint16_t>(value);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

class Preparation {
public:
    Preparation(const calls::CallDescription &call, const Arguments &arguments, std::vector<Slot> &slots,
                std::string &error)
        : call_(call), arguments_(arguments), slots_(slots), error_(error) {}

    // Members in declaration order, so that the first problem the user sees
    // is that of the first argument; read buffers wait for their counts.
    bool run() {
        slots_.assign(call_.member_count, Slot{});
        for (std::size_t i = 0; i < call_.member_count; ++i) {
            if (!prepare(i)) return false;
        }
        for (std::size_t i = 0; i < call_.member_count; ++i) {
            if (defaulted(i)) slots_[i].integer = static_cast<long long>(slots_[written_by(i)].storage.size());
            if (calls::is_buffer(call_.members[i].role) && call_.members[i].role != Role::WriteBytes) make_room(i);
        }
        return all_arguments_known() && write_counts_fit();
    }

private:
    const std::string *given(const char *name) const {
        auto found = arguments_.find(name);
        return found == arguments_.end() ? nullptr : &found->second;
    }

    bool integer_argument(const char *name, long long &value) {
        const std::string *text = given(name);
        if (text == nullptr) {
            error_ = std::string("missing argument ") + name + "=INT";
            return false;
        }
        if (!parse_integer(*text, value)) {
            error_ = std::string("not an integer: ") + name + "=" + *text;
            return false;
        }
        return true;
    }

    // The write buffer that byte count i sizes alone, or member_count when it
    // sizes a read buffer too (or nothing): only such a count may be left out.
    std::size_t written_by(std::size_t i) const {
        std::size_t written = call_.member_count;
        for (std::size_t j = 0; j < call_.member_count; ++j) {
            if (call_.members[j].counter != i) continue;
            if (call_.members[j].role != Role::WriteBytes) return call_.member_count;
            written = j;
        }
        return written;
    }

    // A byte count of bytes to write that was left out: their size.
    bool defaulted(std::size_t i) const {
        return call_.members[i].role == Role::ByteCount && given(call_.members[i].name) == nullptr &&
               written_by(i) < call_.member_count;
    }

    bool prepare(std::size_t i) {
        const Member &m = call_.members[i];
        Slot &slot = slots_[i];
        switch (m.role) {
            case Role::ByteCount:
                if (defaulted(i)) return true;
                return integer_argument(m.name, slot.integer);
            case Role::Input:
            case Role::ListCount: return integer_argument(m.name, slot.integer);
            case Role::ByteCountInOut:
                // Given as the room to receive into; the call stores the count received.
                if (!integer_argument(m.name, slot.integer)) return false;
                slot.storage = integer_room(m, slot.integer);
                return true;
            case Role::Output: slot.storage = integer_room(m, 0); return true;
            case Role::Text: {
                const std::string *text = given(m.name);
                if (text == nullptr) {
                    error_ = std::string("missing argument ") + m.name + "=TEXT";
                    return false;
                }
                slot.text = *text;
                return true;
            }
            case Role::WriteBytes: {
                const std::string *text = given(m.name);
                slot.bytes_given = text != nullptr;
                return text == nullptr || parse_bytes(*text, slot.storage, error_);
            }
            case Role::Record:
                slot.record_count = 1;
                slot.storage.assign(m.record->size + 1, 0);
                return true;
            case Role::RecordList: {
                const char *count_name = call_.members[m.counter].name;
                long long count = 0;
                if (!integer_argument(count_name, count)) return false;
                if (count < 0 || count > kMaxListRoom) {
                    error_ = std::string(count_name) + " must be between 0 and " + std::to_string(kMaxListRoom);
                    return false;
                }
                slot.record_count = static_cast<std::size_t>(count);
                slot.storage.assign(m.record->size * slot.record_count + 1, 0);
                return true;
            }
            case Role::Description: slot.storage.assign(OMBIX_DESCRIPTION_SIZE + 1, 0); return true;
            case Role::ReadBytes:
            case Role::ReadSwitch: return true;
        }
        return true;
    }

    // Room for the bytes a read may deliver: as many as its count asks for.
    // A count above the largest transfer gets no buffer at all; the server
    // refuses such a count, and should one answer anyway, nothing is written.
    void make_room(std::size_t i) {
        std::size_t c = call_.members[i].counter;
        long long room = integer_of(call_.members[c], slots_[c]);
        if (room < 0) room = 0;
        if (room <= OMBIX_MAX_TRANSFER_BYTES) slots_[i].storage.assign(static_cast<std::size_t>(room) + 1, 0);
    }

    bool all_arguments_known() {
        for (const auto &argument : arguments_) {
            bool known = false;
            for (std::size_t i = 0; i < call_.member_count; ++i)
                known = known || argument.first == call_.members[i].name;
            if (!known) {
                error_ = "the call has no argument " + argument.first;
                return false;
            }
        }
        return true;
    }

    // Bytes given to write must cover their count, since the stub reads that
    // many from them.
    bool write_counts_fit() {
        for (std::size_t i = 0; i < call_.member_count; ++i) {
            const Member &buffer = call_.members[i];
            if (buffer.role != Role::WriteBytes || !slots_[i].bytes_given) continue;
            const Member &count = call_.members[buffer.counter];
            const Slot &count_slot = slots_[buffer.counter];
            const std::size_t size = slots_[i].storage.size();
            if (count_as_sent(count, count_slot.integer) > static_cast<long long>(size)) {
                error_ = std::string(count.name) + "=" + std::to_string(count_slot.integer) + " is more than the " +
                         std::to_string(size) + " bytes given as " + buffer.name;
                return false;
            }
        }
        return true;
    }

    const calls::CallDescription &call_;
    const Arguments &arguments_;
    std::vector<Slot> &slots_;
    std::string &error_;
};

}  // namespace

bool prepare_slots(const calls::CallDescription &call, const Arguments &arguments, std::vector<Slot> &slots,
                   std::string &error) {
    return Preparation(call, arguments, slots, error).run();
}

long long integer_of(const Member &m, const Slot &slot) {
    if (!calls::is_output(m.role)) return at_width(m, slot.integer);
    if (slot.storage.size() < sizeof(std::uint32_t)) return 0;
    long long stored = 0;
    if (m.bits == 8) stored = load<std::uint8_t>(slot.storage);
    if (m.bits == 16) stored = load<std::uint16_t>(slot.storage);
    if (m.bits == 32) stored = load<std::uint32_t>(slot.storage);
    return at_width(m, stored);
}

}  // namespace ombix::cli
