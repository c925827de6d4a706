// The run-time description of the calls tells the truth about the wire: it
// lists the 88 calls and no other, and for each call the parameter list that
// the executor accepts and the output list that it answers with, name by
// name and type by type.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "call_description.h"
#include "call_names.h"
#include "json_text.h"
#include "ombixLocalWrap.h"
#include "sim_control.h"

namespace {

using ombix::calls::CallDescription;
using ombix::calls::Member;
using ombix::calls::Role;
using ombix::test::JsonPtr;
using ombix::test::text_of;

// The parameter list the description asks for: each parameter by its name,
// integers 0, texts empty, no bytes.
JsonPtr parameters_of(const CallDescription &call) {
    JsonPtr params(json_array());
    for (std::size_t k = 0; k < call.member_count; ++k) {
        const Member &m = call.members[k];
        if (!ombix::calls::is_parameter(m.role)) continue;
        json_t *value = m.role == Role::Text                         ? json_string("")
                        : ombix::calls::is_integer_parameter(m.role) ? json_integer(0)
                                                                     : json_null();
        json_array_append_new(params.get(), json_pack("{s:s, s:o}", "i", m.name, "v", value));
    }
    return params;
}

// Whether `value` has the JSON type an output of role `role` travels as.
bool travels_as(Role role, const json_t *value) {
    switch (role) {
        case Role::Output:
        case Role::ByteCountInOut: return json_is_integer(value);
        case Role::ReadBytes:
        case Role::ReadSwitch:
        case Role::Description: return json_is_string(value) || json_is_null(value);
        case Role::Record:
        case Role::RecordList: return json_is_array(value);
        default: return false;
    }
}

TEST(CallDescription, lists_the_88_calls_and_finds_each_by_its_exact_wire_name) {
    std::set<std::string> listed;
    for (const CallDescription *call : ombix::calls::all()) listed.insert(call->name);
    EXPECT_EQ(listed, std::set<std::string>(ombix::test::kCallNames.begin(), ombix::test::kCallNames.end()));
    EXPECT_EQ(ombix::calls::all().count, 88u);

    for (const char *name : ombix::test::kCallNames) {
        const CallDescription *call = ombix::calls::find(name);
        ASSERT_NE(call, nullptr) << name;
        EXPECT_STREQ(call->name, name);
    }
    for (const char *name : {"GetFanSpeed", "OmbixGetFanSpeeds", "ombixGetFanSpeed", "", "OmbixR_GetFanSpeed"}) {
        EXPECT_EQ(ombix::calls::find(name), nullptr) << name;
    }
    EXPECT_EQ(ombix::calls::find(nullptr), nullptr);
}

TEST(CallDescription, gives_the_parameters_the_executor_takes_and_the_outputs_it_answers_with) {
    for (const CallDescription *call : ombix::calls::all()) {
        SCOPED_TRACE(call->name);
        ombix::sim::reset();
        // Every call succeeds, so that its outputs travel, whatever the board
        // makes of the zeros.
        ombix::sim::force_code(call->name, 0);
        JsonPtr params = parameters_of(*call);
        ASSERT_EQ(json_array_size(params.get()), call->parameter_count);

        JsonPtr answer(ombixExecuteName(call->name, params.get()));
        ASSERT_NE(answer, nullptr);
        ASSERT_EQ(json_integer_value(json_object_get(answer.get(), "ret")), 0) << text_of(answer.get());

        const json_t *outs = json_object_get(answer.get(), "outs");
        ASSERT_EQ(json_array_size(outs), call->output_count) << text_of(answer.get());
        std::size_t position = 0;
        for (std::size_t k = 0; k < call->member_count; ++k) {
            const Member &m = call->members[k];
            if (!ombix::calls::is_output(m.role)) continue;
            const json_t *element = json_array_get(outs, position++);
            EXPECT_STREQ(json_string_value(json_object_get(element, "i")), m.name);
            EXPECT_TRUE(travels_as(m.role, json_object_get(element, "v"))) << m.name << ": " << text_of(element);
        }
    }
}

TEST(CallDescription, names_the_record_of_every_record_output_and_lists_the_14_records) {
    std::set<std::string> records;
    for (const ombix::RecordLayout *layout : ombix::all_records()) {
        records.insert(layout->name);
        EXPECT_EQ(ombix::find_record(layout->name), layout);
    }
    EXPECT_EQ(records.size(), 14u);
    EXPECT_EQ(ombix::find_record("FAN_INFOS"), nullptr);
    for (const CallDescription *call : ombix::calls::all()) {
        for (std::size_t k = 0; k < call->member_count; ++k) {
            const Member &m = call->members[k];
            bool has_record = m.role == Role::Record || m.role == Role::RecordList;
            EXPECT_EQ(m.record != nullptr, has_record) << call->name << " " << m.name;
            if (has_record) {
                EXPECT_EQ(records.count(m.record->name), 1u) << call->name;
            }
        }
    }
}

}  // namespace
