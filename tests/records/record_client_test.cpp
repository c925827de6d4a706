// The record and list stubs against the scripted transport: every record
// type decodes what the encoder wrote, each field kind at its edges, the four
// checks per element, partial lists and the description.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base64.h"
#include "json_text.h"
#include "ombixRemoteCall.h"
#include "records.h"
#include "scripted_stub_test.h"
#include "scripted_transport.h"

using namespace ombix::test;
using ombix::FieldKind;
using ombix::layout_of;

namespace {

constexpr unsigned char kUntouched = 0x5A;
constexpr std::int32_t kMismatch = OMBIX_RC_VALUE_MISMATCH;

using RecordClient = ScriptedStubTest;

template <typename R>
R untouched() {
    R record;
    std::memset(&record, kUntouched, sizeof record);
    return record;
}

// A record with a distinct value in every field, at the top of each width.
template <typename R>
R filled(int seed = 0) {
    R record{};
    const ombix::RecordLayout &layout = layout_of<R>::value;
    auto *base = reinterpret_cast<unsigned char *>(&record);
    for (std::size_t k = 0; k < layout.count; ++k) {
        const ombix::Field &f = layout.fields[k];
        unsigned char *at = base + f.offset;
        auto put = [at](auto value) { std::memcpy(at, &value, sizeof value); };
        int n = static_cast<int>(k) + seed;
        switch (f.kind) {
            case FieldKind::Text: std::snprintf(reinterpret_cast<char *>(at), f.size, "%s #%d", f.key, n); break;
            case FieldKind::Int32: put(static_cast<std::int32_t>(-1 - n)); break;
            case FieldKind::Uint32: put(static_cast<std::uint32_t>(0xFFFFFFFFu - static_cast<unsigned>(n))); break;
            case FieldKind::Uint16: put(static_cast<std::uint16_t>(0xFFFF - n)); break;
            case FieldKind::Uint8: put(static_cast<std::uint8_t>(255 - n)); break;
            case FieldKind::Float32: put(2.5f + static_cast<float>(n)); break;
            case FieldKind::Bytes:
                for (std::size_t b = 0; b < f.size; ++b)
                    at[b] = static_cast<unsigned char>(37 * b + static_cast<unsigned>(n));
                break;
        }
    }
    return record;
}

// Field by field, so that padding does not count.
template <typename R>
void expect_same_fields(const R &actual, const R &expected) {
    const ombix::RecordLayout &layout = layout_of<R>::value;
    for (std::size_t k = 0; k < layout.count; ++k) {
        const ombix::Field &f = layout.fields[k];
        EXPECT_EQ(0, std::memcmp(reinterpret_cast<const char *>(&actual) + f.offset,
                                 reinterpret_cast<const char *>(&expected) + f.offset, f.size))
            << "field " << f.key;
    }
}

// Scripts an answer whose one output is {"i": key, "v": value}.
void answer_with(std::int32_t code, const char *key, json_t *value) {
    script_answer_value(code, json_pack("[{s:s, s:o}]", "i", key, "v", value));
}

template <typename R>
json_t *list_of(const std::vector<R> &records) {
    json_t *list = json_array();
    for (const R &r : records) json_array_append_new(list, ombix::encode_record(r));
    return list;
}

// Replaces the "v" of element k of a record value.
void set_value(json_t *record, std::size_t k, json_t *value) {
    json_object_set_new(json_array_get(record, k), "v", value);
}

template <typename R, typename Stub>
void expect_record_round_trip(const char *key, Stub stub) {
    SCOPED_TRACE(key);
    const R sent = filled<R>();
    for (std::int32_t code : {0, 16}) {
        answer_with(code, key, ombix::encode_record(sent));
        R received = untouched<R>();
        EXPECT_EQ(stub(&received), code);
        expect_same_fields(received, sent);
    }
}

template <typename R, typename Stub>
void expect_list_round_trip(const char *key, Stub stub) {
    SCOPED_TRACE(key);
    const std::vector<R> sent = {filled<R>(0), filled<R>(1), filled<R>(2)};
    answer_with(0, key, list_of(sent));
    R received[3] = {untouched<R>(), untouched<R>(), untouched<R>()};
    EXPECT_EQ(stub(received, 3), 0);
    for (int i = 0; i < 3; ++i) expect_same_fields(received[i], sent[static_cast<std::size_t>(i)]);
}

TEST_F(RecordClient, every_record_type_decodes_what_the_encoder_wrote) {
    expect_record_round_trip<BOARD_INFO>("boardInfo", [](BOARD_INFO *r) { return OmbixR_GetBoardInfo(1, r); });
    expect_record_round_trip<CPU_INFO>("cpuInfo", [](CPU_INFO *r) { return OmbixR_GetCpuInfo(1, r); });
    expect_record_round_trip<MEMORY_INFO>("memoryInfo", [](MEMORY_INFO *r) { return OmbixR_GetMemoryInfo(1, r); });
    expect_record_round_trip<LIB_VERSION>("libVersion", [](LIB_VERSION *r) { return OmbixR_GetLibVersion(1, r); });
    expect_record_round_trip<MEMORY_MODULE>("memoryModule",
                                            [](MEMORY_MODULE *r) { return OmbixR_GetMemoryModuleInfo(1, 0, r); });
    expect_record_round_trip<BATTERY_INFO>("batteryInfo",
                                           [](BATTERY_INFO *r) { return OmbixR_GetBatteryInfo(1, 0, r); });
    expect_record_round_trip<BATTERY_STATE>("batteryState",
                                            [](BATTERY_STATE *r) { return OmbixR_GetBatteryState(1, 0, r); });
    expect_list_round_trip<SENSOR_VALUE>(
        "tempSensors", [](SENSOR_VALUE *a, std::int32_t n) { return OmbixR_GetTempSensorList(1, a, n); });
    expect_list_round_trip<SENSOR_VALUE>(
        "voltageSensors", [](SENSOR_VALUE *a, std::int32_t n) { return OmbixR_GetVoltageSensorList(1, a, n); });
    expect_list_round_trip<FAN_INFO>("fans", [](FAN_INFO *a, std::int32_t n) { return OmbixR_GetFanList(1, a, n); });
    expect_list_round_trip<DISK_DRIVE>("diskDrives",
                                       [](DISK_DRIVE *a, std::int32_t n) { return OmbixR_GetDiskDriveList(1, a, n); });
    expect_list_round_trip<DISK_PARTITION>("pDiskPartitionData", [](DISK_PARTITION *a, std::int32_t n) {
        return OmbixR_GetDiskDrivePartitionList(1, a, n);
    });
    expect_list_round_trip<SMART_ATTRIBUTE>(
        "attrs", [](SMART_ATTRIBUTE *a, std::int32_t n) { return OmbixR_GetDiskDriveSMARTAttrs(1, 0, a, n); });
    expect_list_round_trip<PCI_DEVICE>("pciDevices",
                                       [](PCI_DEVICE *a, std::int32_t n) { return OmbixR_GetPciDeviceList(1, a, n); });
    expect_list_round_trip<NETWORK_DEVICE>(
        "networkDevices", [](NETWORK_DEVICE *a, std::int32_t n) { return OmbixR_GetNetworkDeviceList(1, a, n); });
}

TEST_F(RecordClient, every_stub_sends_its_call_name_and_parameters) {
    script_answer(5, "NULL");
    struct Sent {
        std::int32_t (*call)();
        const char *name;
        const char *params;
    };
    const Sent cases[] = {
        {[] { return OmbixR_GetBoardInfo(3, nullptr); }, "OmbixGetBoardInfo", "NULL"},
        {[] { return OmbixR_GetLibVersion(3, nullptr); }, "OmbixGetLibVersion", "NULL"},
        {[] { return OmbixR_GetMemoryModuleInfo(3, -1, nullptr); }, "OmbixGetMemoryModuleInfo",
         R"([{"i": "moduleNr", "v": -1}])"},
        {[] { return OmbixR_GetBatteryState(3, 127, nullptr); }, "OmbixGetBatteryState",
         R"([{"i": "slotNr", "v": 127}])"},
        {[] { return OmbixR_GetPerformanceStateDescription(3, 0xFFFFFFFFu, nullptr); },
         "OmbixGetPerformanceStateDescription", R"([{"i": "state", "v": 4294967295}])"},
        {[] { return OmbixR_GetFanList(3, nullptr, 513); }, "OmbixGetFanList", R"([{"i": "fanCount", "v": 513}])"},
        {[] { return OmbixR_GetDiskDriveSMARTAttrs(3, 1, nullptr, -1); }, "OmbixGetDiskDriveSMARTAttrs",
         R"([{"i": "diskNr", "v": 1}, {"i": "attrCount", "v": -1}])"},
        {[] { return OmbixR_GetDiskDrivePartitionList(3, nullptr, 0); }, "OmbixGetDiskDrivePartitionList",
         R"([{"i": "diskPartitionCount", "v": 0}])"},
    };
    for (const Sent &c : cases) {
        EXPECT_EQ(c.call(), 5) << c.name;
        ASSERT_FALSE(sent_calls().empty());
        EXPECT_EQ(sent_calls().back().handle, 3);
        EXPECT_EQ(sent_calls().back().name, c.name);
        EXPECT_EQ(sent_params(), canonical(c.params)) << c.name;
    }
}

TEST_F(RecordClient, integers_keep_their_low_bits_without_range_checks) {
    json_t *cpu = ombix::encode_record(filled<CPU_INFO>());
    set_value(cpu, 1, json_integer(4294967295));  // cpuCount, int32
    answer_with(0, "cpuInfo", cpu);
    CPU_INFO info = untouched<CPU_INFO>();
    EXPECT_EQ(OmbixR_GetCpuInfo(0, &info), 0);
    EXPECT_EQ(info.cpuCount, -1);

    json_t *fan = ombix::encode_record(filled<FAN_INFO>());
    set_value(fan, 2, json_integer(300));  // pwm, uint8
    json_t *fans = json_array();
    json_array_append_new(fans, fan);
    answer_with(0, "fans", fans);
    FAN_INFO fanInfo = untouched<FAN_INFO>();
    EXPECT_EQ(OmbixR_GetFanList(0, &fanInfo, 1), 0);
    EXPECT_EQ(fanInfo.pwm, 44);
}

TEST_F(RecordClient, an_integer_in_place_of_a_real_is_rejected_with_the_other_fields_filled) {
    const CPU_INFO sent = filled<CPU_INFO>();
    json_t *cpu = ombix::encode_record(sent);
    set_value(cpu, 4, json_integer(2));  // cpuMaxCoreSpeed
    answer_with(0, "cpuInfo", cpu);
    CPU_INFO info = untouched<CPU_INFO>();
    EXPECT_EQ(OmbixR_GetCpuInfo(0, &info), kMismatch);
    EXPECT_EQ(info.cpuMaxCoreSpeed, 0.0f);
    CPU_INFO expected = sent;
    expected.cpuMaxCoreSpeed = 0.0f;
    expect_same_fields(info, expected);
}

TEST_F(RecordClient, a_rejected_integer_is_zero_and_a_rejected_text_is_empty) {
    json_t *state = ombix::encode_record(filled<BATTERY_STATE>());
    set_value(state, 3, json_real(2.0));  // a real is never an integer
    answer_with(0, "batteryState", state);
    BATTERY_STATE batteryState = untouched<BATTERY_STATE>();
    EXPECT_EQ(OmbixR_GetBatteryState(0, 0, &batteryState), kMismatch);
    EXPECT_EQ(batteryState.remainingCapacity, 0);
    EXPECT_EQ(batteryState.currentVoltage, filled<BATTERY_STATE>().currentVoltage);

    json_t *info = ombix::encode_record(filled<BATTERY_INFO>());
    set_value(info, 1, json_integer(7));  // "type", a text
    answer_with(0, "batteryInfo", info);
    BATTERY_INFO batteryInfo = untouched<BATTERY_INFO>();
    EXPECT_EQ(OmbixR_GetBatteryInfo(0, 0, &batteryInfo), kMismatch);
    EXPECT_EQ(std::string(batteryInfo.type, sizeof batteryInfo.type), std::string(128, '\0'));
    EXPECT_STREQ(batteryInfo.serialNumber, filled<BATTERY_INFO>().serialNumber);
}

TEST_F(RecordClient, texts_arrive_terminated_whatever_their_length) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {std::string(127, 'a'), std::string(127, 'a')},
        {std::string(128, 'b'), std::string(127, 'b')},  // cut so the field stays terminated
        {std::string(300, 'c'), std::string(127, 'c')},
    };
    for (const auto &[text, stored] : cases) {
        json_t *board = ombix::encode_record(filled<BOARD_INFO>());
        set_value(board, 5, json_string(text.c_str()));  // biosDate, the last field
        answer_with(0, "boardInfo", board);
        BOARD_INFO info = untouched<BOARD_INFO>();
        EXPECT_EQ(OmbixR_GetBoardInfo(0, &info), 0);
        std::string expected = stored;
        expected.resize(128, '\0');
        EXPECT_EQ(std::string(info.biosDate, sizeof info.biosDate), expected) << text.size() << " characters";
    }
}

TEST_F(RecordClient, each_element_must_pass_all_four_checks_at_its_position) {
    struct Case {
        const char *what;
        void (*spoil)(json_t *record);
    };
    const Case cases[] = {
        {"elements in another order",
         [](json_t *r) {
             json_t *first = json_incref(json_array_get(r, 0));
             json_array_remove(r, 0);
             json_array_insert_new(r, 1, first);
         }},
        {"an element that is not an object", [](json_t *r) { json_array_set_new(r, 2, json_integer(1)); }},
        {"an element without v", [](json_t *r) { json_object_del(json_array_get(r, 2), "v"); }},
        {"an element without i", [](json_t *r) { json_object_del(json_array_get(r, 2), "i"); }},
        {"a key in another case",
         [](json_t *r) { json_object_set_new(json_array_get(r, 2), "i", json_string("Bus")); }},
        {"a missing last element", [](json_t *r) { json_array_remove(r, json_array_size(r) - 1); }},
        {"a null value", [](json_t *r) { set_value(r, 8, json_null()); }},
    };
    for (const Case &c : cases) {
        json_t *pci = ombix::encode_record(filled<PCI_DEVICE>());
        c.spoil(pci);
        json_t *list = json_array();
        json_array_append_new(list, pci);
        answer_with(0, "pciDevices", list);
        PCI_DEVICE device = untouched<PCI_DEVICE>();
        EXPECT_EQ(OmbixR_GetPciDeviceList(0, &device, 1), kMismatch) << c.what;
    }
}

TEST_F(RecordClient, elements_behind_the_last_field_are_ignored) {
    json_t *version = ombix::encode_record(filled<LIB_VERSION>());
    json_array_append_new(version, json_pack("{s:s, s:i}", "i", "extra", "v", 1));
    answer_with(16, "libVersion", version);
    LIB_VERSION received = untouched<LIB_VERSION>();
    EXPECT_EQ(OmbixR_GetLibVersion(0, &received), 16);
    expect_same_fields(received, filled<LIB_VERSION>());
}

TEST_F(RecordClient, a_raw_value_must_decode_into_its_six_bytes) {
    struct Case {
        const char *text;
        std::int32_t code;
        std::vector<std::uint8_t> raw;
    };
    const Case cases[] = {
        {"AQIDBAUG", 0, {1, 2, 3, 4, 5, 6}},
        {"AQIDBAUGBw==", kMismatch, {1, 2, 3, 4, 5, 6}},  // 7 bytes: the last group does not fit
        {"AQID-AUG", kMismatch, {1, 2, 3, kUntouched, kUntouched, kUntouched}},
    };
    for (const Case &c : cases) {
        json_t *attr = ombix::encode_record(filled<SMART_ATTRIBUTE>());
        set_value(attr, 4, json_string(c.text));
        json_t *list = json_array();
        json_array_append_new(list, attr);
        answer_with(0, "attrs", list);
        SMART_ATTRIBUTE received = untouched<SMART_ATTRIBUTE>();
        EXPECT_EQ(OmbixR_GetDiskDriveSMARTAttrs(0, 0, &received, 1), c.code) << c.text;
        EXPECT_EQ(std::vector<std::uint8_t>(received.rawValue, received.rawValue + 6), c.raw) << c.text;
        EXPECT_EQ(received.attrID, filled<SMART_ATTRIBUTE>().attrID);
    }
    // A raw value that is not a string leaves the six bytes as they were.
    json_t *attr = ombix::encode_record(filled<SMART_ATTRIBUTE>());
    set_value(attr, 4, json_integer(1));
    json_t *list = json_array();
    json_array_append_new(list, attr);
    answer_with(0, "attrs", list);
    SMART_ATTRIBUTE received = untouched<SMART_ATTRIBUTE>();
    EXPECT_EQ(OmbixR_GetDiskDriveSMARTAttrs(0, 0, &received, 1), kMismatch);
    EXPECT_EQ(std::vector<std::uint8_t>(received.rawValue, received.rawValue + 6),
              std::vector<std::uint8_t>(6, kUntouched));
}

TEST_F(RecordClient, a_malformed_output_leaves_the_record_untouched) {
    const char *answers[] = {
        R"([{"i": "boardInfo", "v": {}}])",
        R"([{"i": "boardinfo", "v": []}])",
        R"([{"v": []}])",
        R"([{"i": "boardInfo", "v": null}])",
        R"([])",
        R"([{"i": "boardInfo", "v": []}, {"i": "boardInfo", "v": []}])",
    };
    for (const char *answer : answers) {
        script_answer(0, answer);
        BOARD_INFO info = untouched<BOARD_INFO>();
        EXPECT_EQ(OmbixR_GetBoardInfo(0, &info), kMismatch) << answer;
        expect_same_fields(info, untouched<BOARD_INFO>());
    }
}

TEST_F(RecordClient, a_failure_code_is_returned_at_once_with_the_records_untouched) {
    for (std::int32_t code : {12, 65543, 2, -1}) {
        script_answer(code, "NULL");
        NETWORK_DEVICE devices[2] = {untouched<NETWORK_DEVICE>(), untouched<NETWORK_DEVICE>()};
        EXPECT_EQ(OmbixR_GetNetworkDeviceList(0, devices, 513), code);
        expect_same_fields(devices[0], untouched<NETWORK_DEVICE>());
    }
}

TEST_F(RecordClient, entries_missing_at_the_end_leave_their_records_as_they_were) {
    const std::vector<SENSOR_VALUE> sent = {filled<SENSOR_VALUE>(0), filled<SENSOR_VALUE>(1), filled<SENSOR_VALUE>(2)};
    answer_with(0, "tempSensors", list_of(sent));
    SENSOR_VALUE received[5];
    for (auto &r : received) r = untouched<SENSOR_VALUE>();
    EXPECT_EQ(OmbixR_GetTempSensorList(0, received, 5), 0);
    for (int i = 0; i < 3; ++i) expect_same_fields(received[i], sent[static_cast<std::size_t>(i)]);
    expect_same_fields(received[3], untouched<SENSOR_VALUE>());
    expect_same_fields(received[4], untouched<SENSOR_VALUE>());
}

TEST_F(RecordClient, entries_behind_the_count_are_ignored_and_a_count_of_zero_decodes_nothing) {
    const std::vector<DISK_DRIVE> sent = {filled<DISK_DRIVE>(0), filled<DISK_DRIVE>(1)};
    answer_with(0, "diskDrives", list_of(sent));
    DISK_DRIVE received[2] = {untouched<DISK_DRIVE>(), untouched<DISK_DRIVE>()};
    EXPECT_EQ(OmbixR_GetDiskDriveList(0, received, 1), 0);
    expect_same_fields(received[0], sent[0]);
    expect_same_fields(received[1], untouched<DISK_DRIVE>());

    answer_with(0, "diskDrives", json_array());
    EXPECT_EQ(OmbixR_GetDiskDriveList(0, received, 0), 0);
    EXPECT_EQ(sent_params(), canonical(R"([{"i": "diskDriveCount", "v": 0}])"));
}

TEST_F(RecordClient, the_description_fills_the_callers_128_bytes) {
    std::vector<std::uint8_t> description(128);
    for (std::size_t i = 0; i < description.size(); ++i) description[i] = static_cast<std::uint8_t>(255 - i);
    answer_with(0, "description", ombix::encodeBase64(description.data(), 128));
    std::uint8_t buffer[130];
    std::memset(buffer, kUntouched, sizeof buffer);
    EXPECT_EQ(OmbixR_GetPerformanceStateDescription(0, 1, buffer), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 128), description);
    EXPECT_EQ(buffer[128], kUntouched);
}

TEST_F(RecordClient, a_description_that_does_not_decode_is_a_mismatch) {
    struct Case {
        json_t *value;
        std::uint8_t first;  // the buffer's first byte afterwards
    };
    std::string too_long(176, 'A');  // 132 bytes
    const Case cases[] = {{json_null(), kUntouched},
                          {json_integer(1), kUntouched},
                          {json_string("QUJD!"), 'A'},
                          {json_string(too_long.c_str()), 0}};
    for (const Case &c : cases) {
        answer_with(0, "description", c.value);
        std::uint8_t buffer[128];
        std::memset(buffer, kUntouched, sizeof buffer);
        EXPECT_EQ(OmbixR_GetPerformanceStateDescription(0, 1, buffer), kMismatch);
        EXPECT_EQ(buffer[0], c.first);
    }
}

TEST_F(RecordClient, a_null_record_or_buffer_is_not_written_and_returns_the_transports_code) {
    script_answer(16, R"([{"i": "description", "v": null}])");
    EXPECT_EQ(OmbixR_GetPerformanceStateDescription(0, 0, nullptr), 16);
    script_answer(0, R"([{"i": "cpuInfo", "v": 1}])");
    EXPECT_EQ(OmbixR_GetCpuInfo(0, nullptr), 0);
    script_answer(0, R"([{"i": "fans", "v": [[]]}])");
    EXPECT_EQ(OmbixR_GetFanList(0, nullptr, 1), 0);
}

}  // namespace
