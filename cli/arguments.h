// The name=value arguments of a call on the command line.
#ifndef OMBIX_CLI_ARGUMENTS_H
#define OMBIX_CLI_ARGUMENTS_H

#include <map>
#include <string>
#include <vector>

namespace ombix::cli {

using Arguments = std::map<std::string, std::string>;

// "fanNr=2" "data=0a0b" ... into a map; false with a message on a malformed
// or repeated argument.
bool parse_arguments(const std::vector<std::string> &words, Arguments &arguments, std::string &error);

// An integer in decimal, 0x hexadecimal or negative form, up to 64 bits.
bool parse_integer(const std::string &text, long long &value);

// Bytes written as hex ("0a0B ff", "0x0a0b") or read from a file ("@path").
bool parse_bytes(const std::string &text, std::vector<unsigned char> &bytes, std::string &error);

// Lower-case hex of bytes, two digits each.
std::string to_hex(const unsigned char *bytes, std::size_t count);

}  // namespace ombix::cli

#endif
