// Preparing the local board API for a long-running server, before it serves.
#ifndef OMBIXD_LOCAL_API_SETUP_H
#define OMBIXD_LOCAL_API_SETUP_H

#include <string>

namespace ombixd {

void prepare_local_api();

// Hands a board file to the board linked into ombixd; false with a message
// when it takes none or refuses the file.
bool configure_linked_board(const std::string &board_file, std::string &error);

}  // namespace ombixd

#endif
