// The compact writer gives the library's own text, and what it writes reads
// back as the value it was given.
#include <gtest/gtest.h>
#include <jansson.h>

#include <cstdlib>
#include <string>

#include "json_writer.h"

namespace {

std::string library_text(const json_t *value) {
    char *text = json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY);
    std::string result = text != nullptr ? text : "";
    std::free(text);
    return result;
}

TEST(JsonWriter, writes_what_the_library_writes_for_every_kind_of_value_but_reals) {
    const char *texts[] = {
        R"({"ret":0,"outs":[{"i":"pwm","v":128},{"i":"rpm","v":2400}]})",
        R"({"error":"wrong parameters nubmer","errorMsg":{"expected":1}})",
        R"([{"i":"data","v":null},{"i":"ok","v":true},{"i":"no","v":false}])",
        R"(["quote \" backslash \\ slash / tab \t newline \n cr \r bell \u0007 nul-free ü €"])",
        R"([-9223372036854775808,9223372036854775807,-1,0,4294967295])",
        R"([[],{},[[]],""])",
    };
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        json_t *value = json_loads(text, JSON_DECODE_ANY, nullptr);
        ASSERT_NE(value, nullptr);
        std::string written;
        ASSERT_TRUE(ombix::transport::append_json(value, written));
        EXPECT_EQ(written, library_text(value));
        json_decref(value);
    }
}

TEST(JsonWriter, escapes_control_characters_and_keeps_embedded_nul) {
    json_t *value = json_stringn("a\0b\x1f", 4);
    std::string written;
    ASSERT_TRUE(ombix::transport::append_json(value, written));
    EXPECT_EQ(written, R"("a\u0000b\u001f")");
    json_decref(value);
}

TEST(JsonWriter, reals_read_back_as_the_same_reals) {
    for (double real : {0.0, -0.0, 1.0, 3.4000000953674316, 0.1, -2.5e-300, 1e300, 123456789.0, 2048.0}) {
        SCOPED_TRACE(real);
        json_t *value = json_real(real);
        std::string written;
        ASSERT_TRUE(ombix::transport::append_json(value, written));
        json_t *read = json_loads(written.c_str(), JSON_DECODE_ANY, nullptr);
        ASSERT_TRUE(json_is_real(read)) << written;
        EXPECT_EQ(json_real_value(read), real) << written;
        json_decref(read);
        json_decref(value);
    }
}

TEST(JsonWriter, refuses_a_null_value_and_nesting_beyond_its_limit) {
    std::string written;
    EXPECT_FALSE(ombix::transport::append_json(nullptr, written));
    json_t *deep = json_array();
    for (int k = 0; k < 100; ++k) {
        json_t *outer = json_array();
        json_array_append_new(outer, deep);
        deep = outer;
    }
    EXPECT_FALSE(ombix::transport::append_json(deep, written));
    json_decref(deep);
}

}  // namespace
