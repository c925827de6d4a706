// Plain reads and writes of the kernel's text files, and the stable order of devices.
#include "sysfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ombix::linux_board {

std::optional<std::string> read_text(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            int saved = errno;
            ::close(fd);
            errno = saved;
            return std::nullopt;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > (1u << 20)) break;  // no kernel attribute is this long
    }
    ::close(fd);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text;
}

std::optional<std::int64_t> parse_integer(const std::string &text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    if (begin == end) return std::nullopt;
    std::string digits = text.substr(begin, end - begin);
    errno = 0;
    char *stop = nullptr;
    long long value = std::strtoll(digits.c_str(), &stop, 10);
    if (errno != 0 || stop == nullptr || *stop != '\0') {
        errno = EINVAL;
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value);
}

std::optional<std::int64_t> read_integer(const std::string &path) {
    auto text = read_text(path);
    if (!text) return std::nullopt;
    return parse_integer(*text);
}

int write_text(const std::string &path, const std::string &text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);  // sysfs ignores O_TRUNC
    if (fd < 0) return errno;
    ssize_t n;
    do {
        n = ::write(fd, text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    int error = n < 0 ? errno : (static_cast<std::size_t>(n) != text.size() ? EIO : 0);
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

bool exists(const std::string &path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::string> list_folder(const std::string &path) {
    std::vector<std::string> names;
    DIR *folder = ::opendir(path.c_str());
    if (folder == nullptr) return names;
    while (dirent *entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

std::string resolved(const std::string &path) {
    char *real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string result(real);
    std::free(real);
    return result;
}

namespace {

bool all_digits(const std::string &text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool all_hex(const std::string &text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// Numbers padded so that they sort as numbers within text.
std::string padded(const std::string &digits) {
    return std::string(digits.size() < 10 ? 10 - digits.size() : 0, '0') + digits;
}

std::string stable_component(const std::string &folder, const std::string &name) {
    // An I2C adapter: its number follows load order, its name does not.
    if (name.rfind("i2c-", 0) == 0 && all_digits(name.substr(4))) {
        auto adapter = read_text(folder + "/" + name + "/name");
        return "i2c:" + (adapter ? *adapter : std::string());
    }
    // An I2C client "N-00AA": the bus is the parent, the address stays.
    auto dash = name.find('-');
    if (dash != std::string::npos && all_digits(name.substr(0, dash)) && name.size() - dash - 1 == 4 &&
        all_hex(name.substr(dash + 1))) {
        return "i2c-client:" + name.substr(dash + 1);
    }
    // Class devices numbered in order of appearance.
    for (const char *prefix : {"hwmon", "gpiochip", "watchdog", "spi_master", "spidev"}) {
        std::size_t length = std::strlen(prefix);
        if (name.rfind(prefix, 0) == 0 && all_digits(name.substr(length)))
            return std::string(prefix) + padded(name.substr(length));
    }
    return name;
}

}  // namespace

std::string stable_key(const std::string &device_path) {
    std::string key;
    std::string folder;
    std::size_t start = 0;
    while (start <= device_path.size()) {
        std::size_t end = device_path.find('/', start);
        if (end == std::string::npos) end = device_path.size();
        std::string name = device_path.substr(start, end - start);
        if (!name.empty()) {
            key += '/';
            key += stable_component(folder, name);
            folder += "/" + name;
        }
        start = end + 1;
    }
    return key;
}

}  // namespace ombix::linux_board
