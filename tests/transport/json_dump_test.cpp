// The JSON text of a message is the library's compact text, appended to what
// the string holds; values the library cannot write safely are refused.
#include <gtest/gtest.h>
#include <jansson.h>

#include <cstdint>
#include <string>

#include "answer.h"
#include "json_dump.h"
#include "json_text.h"

namespace {

using ombix::test::JsonPtr;
using ombix::transport::append_json;

std::string library_text(const json_t *value) {
    char *text = json_dumps(value, JSON_COMPACT | JSON_ENCODE_ANY);
    std::string result = text != nullptr ? text : "<unprintable>";
    ombix::transport::release_text(text);
    return result;
}

JsonPtr nested(int levels) {
    json_t *value = json_integer(1);
    for (int k = 0; k < levels; ++k) {
        json_t *outer = json_array();
        json_array_append_new(outer, value);
        value = outer;
    }
    return JsonPtr(value);
}

TEST(JsonDump, appends_the_library_compact_text_of_any_value) {
    const char text[] = "nul \0 unit \x1f quote \" backslash \\ \xc3\xbc \xe2\x82\xac";
    JsonPtr values[] = {
        ombix::test::parse(R"({"ret":0,"outs":[{"i":"pwm","v":128},{"i":"rpm","v":2400}]})"),
        ombix::test::parse(R"([-9223372036854775808,9223372036854775807,0.1,-2.5e-300,null,true,false,[],{}])"),
        JsonPtr(json_stringn(text, sizeof text - 1)),
        JsonPtr(json_integer(INT64_MIN)),
        nested(ombix::transport::kMaxJsonNesting),
    };
    for (const JsonPtr &value : values) {
        ASSERT_NE(value, nullptr);
        std::string out = "kept ";
        ASSERT_TRUE(append_json(value.get(), out));
        EXPECT_EQ(out, "kept " + library_text(value.get()));
    }
}

TEST(JsonDump, refuses_no_value_a_cycle_and_nesting_past_the_limit) {
    std::string out;
    EXPECT_FALSE(append_json(nullptr, out));
    EXPECT_FALSE(append_json(nested(ombix::transport::kMaxJsonNesting + 1).get(), out));
    json_t *outer = json_array();
    json_t *inner = json_object();
    json_array_append(outer, inner);
    json_object_set(inner, "outer", outer);
    EXPECT_FALSE(append_json(outer, out));
    json_object_clear(inner);
    json_decref(inner);
    json_decref(outer);
}

}  // namespace
