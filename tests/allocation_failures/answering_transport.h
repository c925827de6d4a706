// A transport double for the stub side of the injection: it keeps each
// request as JSON text and answers with what the executor answers to it,
// doing all its own work with allocations paused, so that only the stub's
// allocations can fail. A request it receives is thus seen exactly as the
// stub built it, whatever the executor would make of it.
#ifndef OMBIX_TEST_ANSWERING_TRANSPORT_H
#define OMBIX_TEST_ANSWERING_TRANSPORT_H

#include <string>
#include <vector>

namespace ombix::test {

// The parameter lists received since the last clear ("NULL" for none).
const std::vector<std::string> &requests_received();
void clear_requests();

}  // namespace ombix::test

#endif
