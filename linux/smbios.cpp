// Parsing SMBIOS structures read from sysfs; every offset is checked against
// the structure's own length, so a short or damaged entry reads as missing fields.
#include "smbios.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "sysfs.h"

namespace ombix::linux_board {

bool SmbiosStructure::parse(const std::vector<std::uint8_t> &raw) {
    formatted_.clear();
    strings_.clear();
    if (raw.size() < 4) return false;
    std::size_t length = raw[1];
    if (length < 4 || length > raw.size()) return false;
    formatted_.assign(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(length));
    std::size_t i = length;
    while (i < raw.size()) {
        std::size_t end = i;
        while (end < raw.size() && raw[end] != 0) ++end;
        if (end == i) break;  // the empty string that ends the set
        strings_.emplace_back(raw.begin() + static_cast<std::ptrdiff_t>(i),
                              raw.begin() + static_cast<std::ptrdiff_t>(end));
        i = end + 1;
    }
    return true;
}

std::optional<std::uint8_t> SmbiosStructure::byte(std::size_t offset) const {
    if (offset >= formatted_.size()) return std::nullopt;
    return formatted_[offset];
}

std::optional<std::uint16_t> SmbiosStructure::word(std::size_t offset) const {
    if (offset + 2 > formatted_.size()) return std::nullopt;
    return static_cast<std::uint16_t>(formatted_[offset] | formatted_[offset + 1] << 8);
}

std::optional<std::uint32_t> SmbiosStructure::dword(std::size_t offset) const {
    if (offset + 4 > formatted_.size()) return std::nullopt;
    return static_cast<std::uint32_t>(formatted_[offset]) | static_cast<std::uint32_t>(formatted_[offset + 1]) << 8 |
           static_cast<std::uint32_t>(formatted_[offset + 2]) << 16 |
           static_cast<std::uint32_t>(formatted_[offset + 3]) << 24;
}

std::string SmbiosStructure::string_at(std::size_t offset) const {
    auto index = byte(offset);
    if (!index || *index == 0 || *index > strings_.size()) return "";
    std::string text = strings_[*index - 1];
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? "" : text.substr(start);
}

std::vector<SmbiosStructure> read_smbios(const std::string &root, int type, int *error) {
    std::vector<SmbiosStructure> found;
    if (error != nullptr) *error = 0;
    const std::string folder = root + "/sys/firmware/dmi/entries";
    for (int instance = 0; instance < 256; ++instance) {
        std::string path = folder + "/" + std::to_string(type) + "-" + std::to_string(instance) + "/raw";
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT && error != nullptr) *error = errno;  // only root may read the entries
            break;
        }
        std::vector<std::uint8_t> raw;
        std::uint8_t buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && raw.size() < 65536)
            raw.insert(raw.end(), buffer, buffer + n);
        ::close(fd);
        SmbiosStructure s;
        if (s.parse(raw)) found.push_back(std::move(s));
    }
    return found;
}

}  // namespace ombix::linux_board
