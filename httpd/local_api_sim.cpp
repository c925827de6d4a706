// The simulated board notes every call for tests to inspect; a server has no
// one to read that log, so it goes without.
#include "local_api_setup.h"
#include "sim_board_file.h"
#include "sim_control.h"

namespace ombixd {

void prepare_local_api() {
    ombix::sim::set_call_log(false);
}

bool configure_linked_board(const std::string &board_file, std::string &error) {
    return apply_sim_board_file(board_file, error);
}

}  // namespace ombixd
