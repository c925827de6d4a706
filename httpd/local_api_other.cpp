// A local board API other than the simulated board needs no preparation.
#include "local_api_setup.h"

namespace ombixd {

void prepare_local_api() {}

}  // namespace ombixd
