// Every scalar stub, end to end through the loopback transport to the
// simulated board and back, with values at the edges of each width.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "call_arguments.h"
#include "call_table.h"
#include "ombixRemoteCall.h"
#include "sim_control.h"

namespace sim = ombix::sim;

namespace {

using ombix::argument;
using ombix::is_output;
using ombix::slot_t;

constexpr std::uint8_t kUntouched = 0x5A;
constexpr std::int32_t kHandle = 7;

// 32-bit patterns whose truncations give the edges of every width:
// -1, 0, 127/128, 255/256, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF.
const std::uint32_t kEdges[] = {0xFFFFFFFFu, 0u, 127u, 128u, 255u, 256u, 0x7FFFFFFFu, 0x80000000u};

template <typename A>
void set_input(slot_t<A> &slot, std::uint32_t edge) {
    if constexpr (is_output<A>) {
        std::memset(&slot, kUntouched, sizeof slot);
    } else if constexpr (std::is_same_v<A, const char *>) {
        slot = edge % 2 ? "edge text" : "";
    } else {
        slot = static_cast<A>(edge);
    }
}

template <typename A>
void check_received(const sim::CallRecord &record, std::size_t k, const slot_t<A> &slot) {
    if constexpr (std::is_same_v<A, const char *>) {
        EXPECT_EQ(record.arguments.at(k).text, slot) << record.name << " text " << k;
    } else if constexpr (!is_output<A>) {
        EXPECT_EQ(record.arguments.at(k).integer, static_cast<std::int64_t>(slot)) << record.name << " input " << k;
    }
}

template <typename A>
void check_output(const char *call, const slot_t<A> &slot, std::uint8_t expected_byte) {
    if constexpr (is_output<A>) {
        slot_t<A> expected;
        std::memset(&expected, expected_byte, sizeof expected);
        EXPECT_EQ(slot, expected) << call;
    }
}

// One stub: for every edge, the inputs reach the board at their width and the
// outputs come back at theirs; a failure code passes through with the outputs
// untouched; 16 carries the outputs like 0.
template <typename... A, std::size_t... I>
void exercise(const char *stub_name, std::int32_t (*stub)(std::int32_t, A...), std::index_sequence<I...>) {
    const std::string call = std::string("Ombix") + (stub_name + 7);
    for (std::uint32_t edge : kEdges) {
        for (std::int32_t forced : {0, 16, 5}) {
            sim::reset();
            sim::force_code(call, forced);
            std::uint8_t fill = static_cast<std::uint8_t>(edge ^ 0xA5);
            sim::fill_outputs(fill);
            std::tuple<slot_t<A>...> slots{};
            (set_input<A>(std::get<I>(slots), edge), ...);

            EXPECT_EQ(stub(kHandle, argument<A>(std::get<I>(slots))...), forced) << call;
            sim::CallRecord record = sim::last_call(call);
            ASSERT_EQ(record.name, call);
            (check_received<A>(record, I, std::get<I>(slots)), ...);
            (check_output<A>(call.c_str(), std::get<I>(slots), forced == 5 ? kUntouched : fill), ...);
        }
    }
}

// Every call whose members are integers and texts only.
template <typename Call, typename... A>
void exercise_if_scalar(const char *stub_name, std::int32_t (*stub)(std::int32_t, A...)) {
    if constexpr (Call::kRow.kind() == ombix::calls::Kind::Scalar) {
        exercise(stub_name, stub, std::index_sequence_for<A...>{});
    }
}

TEST(ScalarEndToEnd, every_scalar_stub_carries_edge_values_both_ways) {
#define OMBIX_CALL(call, arguments) exercise_if_scalar<ombix::calls::call>("OmbixR_" #call, &OmbixR_##call);
#include "ombix_calls.h"
#undef OMBIX_CALL
}

TEST(ScalarEndToEnd, a_set_followed_by_a_get_shows_the_change) {
    sim::reset();
    ASSERT_EQ(OmbixR_SetFanModeManual(kHandle, 2, 200), 0);
    std::uint8_t mode = 0, pwm = 0;
    std::int32_t rpm = 0;
    ASSERT_EQ(OmbixR_GetFanMode(kHandle, 2, &mode), 0);
    ASSERT_EQ(OmbixR_GetFanSpeed(kHandle, 2, &pwm, &rpm), 0);
    EXPECT_EQ(mode, sim::kFanManualPwm);
    EXPECT_EQ(pwm, 200);
    EXPECT_EQ(rpm, 4000);

    ASSERT_EQ(OmbixR_GpioSetDirection(kHandle, 5, 1), 0);
    ASSERT_EQ(OmbixR_GpioSetLevel(kHandle, 5, 0), 0);
    std::uint8_t level = 9;
    ASSERT_EQ(OmbixR_GpioGetLevel(kHandle, 5, &level), 0);
    EXPECT_EQ(level, 0);

    EXPECT_EQ(OmbixR_Passwd(kHandle, "s3cret", "wrong"), sim::kDenied);
    EXPECT_EQ(OmbixR_Passwd(kHandle, "s3cret", "admin"), 0);
    EXPECT_EQ(OmbixR_Passwd(kHandle, "again", "s3cret"), 0);
}

TEST(ScalarEndToEnd, a_null_output_pointer_of_fan_speed_is_skipped) {
    sim::reset();
    std::int32_t rpm = 0;
    EXPECT_EQ(OmbixR_GetFanSpeed(kHandle, 0, nullptr, &rpm), 0);
    EXPECT_EQ(rpm, 2400);
}

}  // namespace
