#include "value_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "sysfs.h"

namespace ombix::linux_board {

ValueFile::~ValueFile() {
    if (fd_ >= 0) ::close(fd_);
}

ValueFile::ValueFile(ValueFile &&other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) {
    other.fd_ = -1;
}

ValueFile &ValueFile::operator=(ValueFile &&other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        path_ = std::move(other.path_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int ValueFile::open() {
    if (fd_ >= 0) return 0;
    if (path_.empty()) return ENOENT;
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ < 0 ? errno : 0;
}

int ValueFile::read(std::int64_t &value) const {
    int fd = fd_;
    if (fd < 0) {
        // Not opened at discovery (a write-only attribute, or the descriptor
        // limit): read it the long way.
        auto number = read_integer(path_);
        if (!number) return errno != 0 ? errno : EIO;
        value = *number;
        return 0;
    }
    char buffer[32];
    ssize_t n;
    do {
        n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    buffer[n] = '\0';
    // Digits with an optional sign, then a newline: nothing else is a reading.
    std::int64_t result = 0;
    ssize_t i = 0;
    bool negative = false;
    if (i < n && (buffer[i] == '-' || buffer[i] == '+')) negative = buffer[i++] == '-';
    ssize_t digits_start = i;
    for (; i < n && buffer[i] >= '0' && buffer[i] <= '9'; ++i) {
        if (i - digits_start >= 18) return ERANGE;
        result = result * 10 + (buffer[i] - '0');
    }
    if (i == digits_start) return EINVAL;
    while (i < n && (buffer[i] == '\n' || buffer[i] == ' ')) ++i;
    if (i != n) return EINVAL;
    value = negative ? -result : result;
    return 0;
}

int ValueFile::write(std::int64_t value) const {
    if (path_.empty()) return ENOENT;
    return write_text(path_, std::to_string(value));
}

}  // namespace ombix::linux_board
