// The configuration file of ombixd: the command-line options as
// "name = value" lines, read before the command line so that options given
// there override it.
#ifndef OMBIX_HTTPD_CONFIG_FILE_H
#define OMBIX_HTTPD_CONFIG_FILE_H

#include <string>
#include <vector>

namespace ombixd {

// The arguments ombixd parses: those of the file named by --config (if any),
// then the command line without --config and its value. False with a message
// in `error` (naming the file and line) when the file cannot be read or a
// line is not an option ombixd takes with a usable value.
bool gather_arguments(int argc, char **argv, std::vector<std::string> &arguments, std::string &error);

}  // namespace ombixd

#endif
