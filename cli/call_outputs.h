// A call's outputs as JSON, read from the slots of the run by the members'
// roles: integers at their width, bytes received as hex, the description as
// text, records field by field.
#ifndef OMBIX_CLI_CALL_OUTPUTS_H
#define OMBIX_CLI_CALL_OUTPUTS_H

#include <jansson.h>

#include <vector>

#include "call_description.h"
#include "call_slots.h"

namespace ombix::cli {

// {"name": value, ...} in the order of the outputs; the caller releases it.
json_t *outputs_json(const calls::CallDescription &call, const std::vector<Slot> &slots);

}  // namespace ombix::cli

#endif
