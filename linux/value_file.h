// A sysfs attribute holding one integer, kept open and read with pread, so
// that a reading costs one system call.
#ifndef OMBIX_LINUX_VALUE_FILE_H
#define OMBIX_LINUX_VALUE_FILE_H

#include <cstdint>
#include <string>

namespace ombix::linux_board {

class ValueFile {
public:
    ValueFile() = default;
    explicit ValueFile(std::string path) : path_(std::move(path)) {}
    ~ValueFile();
    ValueFile(const ValueFile &) = delete;
    ValueFile &operator=(const ValueFile &) = delete;
    ValueFile(ValueFile &&other) noexcept;
    ValueFile &operator=(ValueFile &&other) noexcept;

    bool present() const { return !path_.empty(); }
    const std::string &path() const { return path_; }
    // Opens the file for reading; 0 or the errno value. Reading opens it too.
    int open();
    // Reads the integer; 0 or the errno value (EINVAL for a text that is no integer).
    int read(std::int64_t &value) const;
    // Writes a value through a descriptor of its own; 0 or the errno value.
    int write(std::int64_t value) const;

private:
    std::string path_;
    mutable int fd_ = -1;
};

}  // namespace ombix::linux_board

#endif
