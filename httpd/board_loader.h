// Choosing the board ombixd serves: the simulated board linked into the
// program, or a board library loaded at run time (the Linux board, or any
// shared library that exports the 88 board functions) together with the
// shared executor, whose references to the board functions then resolve to
// that library.
#ifndef OMBIXD_BOARD_LOADER_H
#define OMBIXD_BOARD_LOADER_H

#include <string>

#include "api_lock.h"

namespace ombixd {

// `board`: "sim", "linux" or a library path; `board_config`: a board file
// for the board's configuration entry, or "". Fills `api`; false with a
// message in `error`.
bool load_board(const std::string &board, const std::string &board_config, LocalApi &api, std::string &error);

}  // namespace ombixd

#endif
