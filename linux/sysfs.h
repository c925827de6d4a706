// Reading the kernel's file interfaces (sysfs, procfs) below a root prefix.
#ifndef OMBIX_LINUX_SYSFS_H
#define OMBIX_LINUX_SYSFS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ombix::linux_board {

// A file's text without its trailing newline; nullopt with errno set when it cannot be read.
std::optional<std::string> read_text(const std::string &path);
// A file holding one decimal integer (leading and trailing white space allowed).
std::optional<std::int64_t> read_integer(const std::string &path);
// Writes `text` to an existing file; 0 or the errno value.
int write_text(const std::string &path, const std::string &text);
bool exists(const std::string &path);
// The names in a folder, sorted, without "." and ".."; empty when it cannot be read.
std::vector<std::string> list_folder(const std::string &path);
// The path a symbolic link or a path with links resolves to; the path itself when it does not resolve.
std::string resolved(const std::string &path);

// A key that orders devices by their place under /sys/devices and stays the
// same from boot to boot: the path's components, where the numbers the
// kernel hands out in load order (i2c-N, N-00AA, hwmonN, gpiochipN, ...) are
// replaced by what does not change (the adapter's name, the bus address).
std::string stable_key(const std::string &device_path);

// Parses a decimal integer; nullopt for anything else.
std::optional<std::int64_t> parse_integer(const std::string &text);

}  // namespace ombix::linux_board

#endif
