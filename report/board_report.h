// A readable report of a board, fetched through the client stubs over
// whatever transport the program links (loopback, HTTP).
#ifndef OMBIX_BOARD_REPORT_H
#define OMBIX_BOARD_REPORT_H

#include <cstdint>
#include <cstdio>

namespace ombix::report {

// Prints the whole report; returns the number of calls that failed.
int print_board_report(std::FILE *out, std::int32_t handle);

// The sections, each returning its number of failed calls.
int print_scalar_sections(std::FILE *out, std::int32_t handle);
int print_record_sections(std::FILE *out, std::int32_t handle);

}  // namespace ombix::report

#endif
