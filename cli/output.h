// Printing a call's outputs.
#ifndef OMBIX_CLI_OUTPUT_H
#define OMBIX_CLI_OUTPUT_H

#include <jansson.h>

#include <cstdint>
#include <cstdio>

namespace ombix::cli {

// One "name: value" line per output; records indented under their name, list
// elements numbered. Byte buffers are hex.
void print_readable(std::FILE *out, std::int32_t code, const json_t *outputs);

// {"call": name, "code": code, "outputs": {...}} on one line.
void print_json(std::FILE *out, const char *call, std::int32_t code, json_t *outputs);

}  // namespace ombix::cli

#endif
