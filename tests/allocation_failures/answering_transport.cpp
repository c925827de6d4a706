#include "answering_transport.h"

#include <jansson.h>

#include "failing_allocator.h"
#include "json_text.h"
#include "ombixLocalWrap.h"
#include "ombix_transport.h"
#include "ombix_types.h"

namespace ombix::test {
namespace {

std::vector<std::string> &requests() {
    static std::vector<std::string> list;
    return list;
}

}  // namespace

const std::vector<std::string> &requests_received() {
    return requests();
}
void clear_requests() {
    requests().clear();
}

}  // namespace ombix::test

extern "C" json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params) {
    (void)handle;
    ombix::test::AllocationsPaused paused;
    ombix::test::requests().push_back(ombix::test::text_of(params));
    json_t *answer = ombixExecuteName(name, params);
    json_decref(params);
    json_t *ret = json_object_get(answer, "ret");
    // An error object or no answer: a code no stub produces itself.
    *code = json_is_integer(ret) ? static_cast<int32_t>(json_integer_value(ret)) : -1;
    json_t *outs = nullptr;
    if (*code == OMBIX_RC_OK || *code == OMBIX_RC_OUTPUTS_VALID) outs = json_incref(json_object_get(answer, "outs"));
    json_decref(answer);
    return outs;
}
