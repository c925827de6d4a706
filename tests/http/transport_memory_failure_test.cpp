// The HTTP transport when memory runs out on the client: libcurl's and
// jansson's allocations fail one after another, at every point of a call.
// The call then reports its true answer or a failure code, never success with
// outputs it could not complete. The code is OMBIX_TRANSPORT_RC_OUT_OF_MEMORY
// where the libraries say what failed; libcurl reports some of its failures
// as a connection failure (its resolver thread), and jansson some as a syntax
// error. Its own executable, since libcurl takes its allocator once per process.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <jansson.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "json_text.h"
#include "ombix_http_transport.h"
#include "ombix_transport.h"
#include "ombix_types.h"
#include "server_process.h"

namespace {

// Allocations left before the next one fails; negative: none fails.
thread_local long allocations_left = -1;

bool allocation_allowed() {
    if (allocations_left == 0) return false;
    if (allocations_left > 0) --allocations_left;
    return true;
}
void *failing_malloc(std::size_t size) {
    return allocation_allowed() ? std::malloc(size) : nullptr;
}
void *failing_realloc(void *block, std::size_t size) {
    return allocation_allowed() ? std::realloc(block, size) : nullptr;
}
void *failing_calloc(std::size_t count, std::size_t size) {
    return allocation_allowed() ? std::calloc(count, size) : nullptr;
}
char *failing_strdup(const char *text) {
    return allocation_allowed() ? strdup(text) : nullptr;
}

TEST(TransportMemoryFailure, a_call_gives_its_true_answer_or_a_failure_code_never_half_an_answer) {
    ASSERT_EQ(curl_global_init_mem(CURL_GLOBAL_DEFAULT, failing_malloc, std::free, failing_realloc, failing_strdup,
                                   failing_calloc),
              CURLE_OK);
    json_set_alloc_funcs(failing_malloc, std::free);
    ombix::test::bypass_proxies();
    ombix::test::ServerProcess server;
    ASSERT_TRUE(server.started());
    OMBIX_HTTP_OPTIONS options{server.url().c_str(), nullptr, 5000, nullptr};
    std::int32_t handle = 0;
    ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);

    const std::string expected = R"([{"i":"pwm","v":128},{"i":"rpm","v":2400}])";
    long failures = 0;
    for (long allowed = 0; allowed < 100000; ++allowed) {
        json_t *params = json_pack("[{s:s, s:i}]", "i", "fanNr", "v", 0);
        std::int32_t code = -1;
        allocations_left = allowed;
        json_t *outs = OmbixExecuteRemoteCall(handle, "OmbixGetFanSpeed", &code, params);
        const bool none_failed = allocations_left > 0;
        allocations_left = -1;
        if (code == OMBIX_RC_OK) {
            EXPECT_EQ(ombix::test::text_of(outs), ombix::test::canonical(expected)) << allowed;
        } else {
            EXPECT_TRUE(code == OMBIX_TRANSPORT_RC_OUT_OF_MEMORY || code == OMBIX_TRANSPORT_RC_CONNECT ||
                        code == OMBIX_TRANSPORT_RC_BAD_MESSAGE)
                << allowed << ": " << code << " " << OmbixTransportLastError();
            EXPECT_EQ(outs, nullptr);
            failures += code == OMBIX_TRANSPORT_RC_OUT_OF_MEMORY;
        }
        json_decref(outs);
        if (none_failed) break;
    }
    EXPECT_GT(failures, 0);
    OmbixHttpClose(handle);
    json_set_alloc_funcs(std::malloc, std::free);
}

}  // namespace
