// The loopback transport: a real wire's behaviour in one process.
#include <gtest/gtest.h>

#include <string>

#include "json_text.h"
#include "ombix_transport.h"
#include "ombix_transport_codes.h"
#include "ombix_types.h"
#include "sim_control.h"

using namespace ombix::test;
namespace sim = ombix::sim;

namespace {

class Loopback : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    // Calls the transport with a list given as text ("NULL" for none).
    JsonPtr call(const char *name, const std::string &params, std::int32_t &code) {
        code = -12345;
        json_t *list = params == "NULL" ? nullptr : json_loads(params.c_str(), JSON_DECODE_ANY, nullptr);
        return JsonPtr(OmbixExecuteRemoteCall(9, name, &code, list));
    }
};

TEST_F(Loopback, a_result_comes_back_as_its_outputs_and_code) {
    std::int32_t code;
    JsonPtr outs = call("OmbixGetFanSpeed", R"([{"i": "fanNr", "v": 1}])", code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text_of(outs.get()), canonical(R"([{"i": "pwm", "v": 96}, {"i": "rpm", "v": 1800}])"));
    EXPECT_STREQ(OmbixTransportLastError(), "");
}

TEST_F(Loopback, outputs_come_back_with_16_and_no_list_with_other_codes) {
    std::int32_t code;
    sim::force_code("OmbixGetBootCounter", 16);
    EXPECT_NE(call("OmbixGetBootCounter", "NULL", code), nullptr);
    EXPECT_EQ(code, 16);
    sim::force_code("OmbixGetBootCounter", 5);
    EXPECT_EQ(call("OmbixGetBootCounter", "NULL", code), nullptr);
    EXPECT_EQ(code, 5);
    EXPECT_EQ(call("OmbixGetFanSpeed", R"([{"i": "fan", "v": 1}])", code), nullptr);
    EXPECT_EQ(code, OMBIX_RC_VALUE_MISMATCH);
}

TEST_F(Loopback, an_error_object_becomes_a_code_of_its_own_with_its_text_kept) {
    std::int32_t code;
    EXPECT_EQ(call("OmbixGetFanSpeed", "[]", code), nullptr);
    EXPECT_EQ(code, OMBIX_TRANSPORT_RC_ERROR_OBJECT);
    EXPECT_EQ(canonical(OmbixTransportLastError()),
              canonical(R"({"error": "parameters list is bad or empty", "errorMsg": {"params type": 1}})"));
    EXPECT_EQ(call("OmbixWatchdogTrigger", "[1, 2]", code), nullptr);
    EXPECT_EQ(code, OMBIX_TRANSPORT_RC_ERROR_OBJECT);
    EXPECT_EQ(canonical(OmbixTransportLastError()),
              canonical(R"({"error": "wrong parameters nubmer", "errorMsg": {"expected": 0}})"));
}

TEST_F(Loopback, an_unknown_call_gets_a_code_of_its_own) {
    std::int32_t code;
    EXPECT_EQ(call("OmbixNoSuchCall", "[]", code), nullptr);
    EXPECT_EQ(code, OMBIX_TRANSPORT_RC_UNKNOWN_CALL);
    EXPECT_EQ(call(nullptr, "[]", code), nullptr);
    EXPECT_NE(code, 0);
}

TEST_F(Loopback, the_transport_codes_never_collide_with_the_protocol_codes) {
    for (int transport_code : {OMBIX_TRANSPORT_RC_ERROR_OBJECT, OMBIX_TRANSPORT_RC_UNKNOWN_CALL,
                               OMBIX_TRANSPORT_RC_BAD_MESSAGE, OMBIX_TRANSPORT_RC_CONNECT, OMBIX_TRANSPORT_RC_TIMEOUT,
                               OMBIX_TRANSPORT_RC_HTTP_STATUS, OMBIX_TRANSPORT_RC_BAD_HANDLE}) {
        for (int protocol_code : {OMBIX_RC_OK, OMBIX_RC_NEGATIVE_LENGTH, OMBIX_RC_OVER_LIMIT, OMBIX_RC_OUTPUTS_VALID,
                                  OMBIX_RC_VALUE_MISMATCH}) {
            EXPECT_NE(transport_code, protocol_code);
        }
    }
}

TEST_F(Loopback, texts_that_are_not_json_safe_survive_the_wire) {
    std::int32_t code;
    JsonPtr outs = call("OmbixPasswd",
                        R"([{"i": "newPassword", "v": "a\"b\\c\u00e9\n"}, {"i": "oldPassword", "v": "admin"}])", code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(sim::last_call("OmbixPasswd").arguments[0].text, "a\"b\\c\xc3\xa9\n");
}

}  // namespace
