// A local board API other than the simulated board needs no preparation.
#include "local_api_setup.h"

namespace ombixd {

void prepare_local_api() {}

bool configure_linked_board(const std::string &, std::string &error) {
    error = "the linked board takes no --board-config";
    return false;
}

}  // namespace ombixd
