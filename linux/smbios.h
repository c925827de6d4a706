// SMBIOS structures as the kernel exposes them under /sys/firmware/dmi/entries.
#ifndef OMBIX_LINUX_SMBIOS_H
#define OMBIX_LINUX_SMBIOS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ombix::linux_board {

class SmbiosStructure {
public:
    // Splits a raw structure (formatted area, then its strings); false when malformed.
    bool parse(const std::vector<std::uint8_t> &raw);
    std::uint8_t type() const { return formatted_.empty() ? 0 : formatted_[0]; }
    // A field of the formatted area; nullopt when the structure is too short for it.
    std::optional<std::uint8_t> byte(std::size_t offset) const;
    std::optional<std::uint16_t> word(std::size_t offset) const;
    std::optional<std::uint32_t> dword(std::size_t offset) const;
    // The string a byte field refers to ("" for 0 or a missing string), trimmed.
    std::string string_at(std::size_t offset) const;

private:
    std::vector<std::uint8_t> formatted_;
    std::vector<std::string> strings_;
};

// The structures of one type, in table order. `error`, when given, receives
// the errno value of an entry that exists but cannot be read (0 otherwise).
std::vector<SmbiosStructure> read_smbios(const std::string &root, int type, int *error = nullptr);

}  // namespace ombix::linux_board

#endif
