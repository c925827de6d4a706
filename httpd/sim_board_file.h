// A board file for the simulated board: a JSON object whose members replace
// parts of the board as it is after power-on, so that several ombixd
// processes serve boards that differ (docs/http.md, "A board file for the
// simulated board").
#ifndef OMBIXD_SIM_BOARD_FILE_H
#define OMBIXD_SIM_BOARD_FILE_H

#include <string>

namespace ombixd {

// Applies the file at `path` to the simulated board; false with a message
// naming the file and the member at fault when it cannot be read or used
// (nothing is changed then).
bool apply_sim_board_file(const std::string &path, std::string &error);

}  // namespace ombixd

#endif
