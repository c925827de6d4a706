// The public headers compile as C++ and declare the functions with C linkage.
#include "ombixLocalWrap.h"
#include "ombixRemoteCall.h"
#include "ombix_api.h"
#include "ombix_transport.h"
#include "ombix_transport_codes.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

extern "C" int ombix_headers_compile_as_c99(void);

TEST(PublicHeaders, compile_as_c99_and_as_cxx) {
    EXPECT_EQ(ombix_headers_compile_as_c99(), OMBIX_RC_OK);
}

TEST(PublicHeaders, a_stub_has_the_local_function_s_signature) {
    static_assert(std::is_same_v<decltype(OmbixGetFanSpeed), decltype(OmbixR_GetFanSpeed)>);
    static_assert(std::is_same_v<decltype(OmbixSpiXfer), decltype(OmbixR_SpiXfer)>);
    static_assert(std::is_same_v<decltype(OmbixGetDiskDriveSMARTAttrs), decltype(OmbixR_GetDiskDriveSMARTAttrs)>);
}

TEST(PublicHeaders, records_have_natural_alignment) {
    static_assert(sizeof(SMART_ATTRIBUTE) == 12 && offsetof(SMART_ATTRIBUTE, statusFlags) == 2);
    static_assert(offsetof(FAN_INFO, rpm) == 128 && offsetof(FAN_INFO, method) == 134 && sizeof(FAN_INFO) == 136);
    static_assert(offsetof(CPU_INFO, cpuMaxCoreSpeed) == 140 && sizeof(CPU_INFO) == 160);
}
