#include "stub_runner.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <type_traits>
#include <utility>

#include "ombixRemoteCall.h"
#include "sim_control.h"

namespace ombix::test {
namespace {

using Arguments = std::map<std::string, std::string>;

// Arguments by call, integers in C notation and bytes in hex; a call not
// listed takes none. Each is chosen so that the simulated board succeeds and
// the answer carries outputs: a failure on every run would compare equal and
// prove little.
const std::map<std::string, Arguments> kArguments = {
    {"OmbixGetCpuFreq", {{"freqType", "2"}}},
    {"OmbixGetCpuTemp", {{"cpuNr", "1"}}},
    {"OmbixSetCpuPerformance", {{"performancePercentage", "75"}}},
    {"OmbixSetSystemState", {{"systemState", "2"}}},
    {"OmbixPasswd", {{"newPassword", "s3cret \"quoted\" \xC3\xBC"}, {"oldPassword", "admin"}}},
    {"OmbixSetPerformanceState", {{"state", "3"}}},
    {"OmbixGetPerformanceStateDescription", {{"state", "2"}}},
    {"OmbixGetMemoryModuleInfo", {{"moduleNr", "1"}}},
    {"OmbixGetDiskDriveList", {{"diskDriveCount", "2"}}},
    {"OmbixGetDiskDrivePartitionList", {{"diskPartitionCount", "3"}}},
    {"OmbixGetDiskDriveSMARTAttrCount", {{"diskNr", "0"}}},
    {"OmbixGetDiskDriveSMARTAttrs", {{"diskNr", "0"}, {"attrCount", "12"}}},
    {"OmbixGetBatteryInfo", {{"slotNr", "1"}}},
    {"OmbixGetBatteryState", {{"slotNr", "0"}}},
    {"OmbixGetTempSensorList", {{"tempSensorCount", "4"}}},
    {"OmbixGetTempSensorValue", {{"tempSensorNr", "3"}}},
    {"OmbixGetVoltageSensorList", {{"voltageSensorCount", "5"}}},
    {"OmbixGetVoltageSensorValue", {{"voltageSensorNr", "4"}}},
    {"OmbixGetFanList", {{"fanCount", "3"}}},
    {"OmbixGetFanSpeed", {{"fanNr", "2"}}},
    {"OmbixGetFanMode", {{"fanNr", "2"}}},
    {"OmbixSetFanModeManual", {{"fanNr", "2"}, {"targetPwm", "200"}}},
    {"OmbixSetFanModeManualRpm", {{"fanNr", "1"}, {"targetRpm", "4000"}}},
    {"OmbixSetFanModeThermalCruise", {{"fanNr", "0"}, {"targetTemp", "60"}, {"toleranceTemp", "4"}}},
    {"OmbixSetCpuFanSpeed", {{"cpuFanSpeedPwm", "255"}}},
    {"OmbixSetCpuFanSpeedRpm", {{"cpuFanSpeedRpm", "3000"}}},
    {"OmbixSetSystemFanSpeed", {{"systemFanSpeedPwm", "10"}}},
    {"OmbixSetSystemFanSpeedRpm", {{"systemFanSpeedRpm", "900"}}},
    {"OmbixGetBacklightValue", {{"displayNr", "1"}}},
    {"OmbixSetBacklightValue", {{"displayNr", "1"}, {"backlight", "42"}}},
    {"OmbixGetNetworkDeviceList", {{"networkDeviceCount", "2"}}},
    {"OmbixGetPciDeviceList", {{"pciDeviceCount", "6"}}},
    {"OmbixGetStorageSize", {{"storageNr", "1"}}},
    {"OmbixStorageRead", {{"storageNr", "0"}, {"offset", "16"}, {"dataLength", "300"}}},
    {"OmbixStorageWrite", {{"storageNr", "1"}, {"offset", "16"}, {"data", "0102030405fe"}, {"dataLength", "6"}}},
    {"OmbixI2cProbe", {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"memoryAddress", "0"}, {"memoryAddressUsed", "1"}}},
    {"OmbixI2cRead",
     {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"memoryAddress", "0"}, {"memoryAddressUsed", "1"}, {"dataLength", "8"}}},
    {"OmbixI2cWrite",
     {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"memoryAddress", "0"}, {"data", "a1a2a3"}, {"dataLength", "3"}}},
    {"OmbixI2cXfer",
     {{"i2cNr", "0"}, {"i2cAddress", "0x50"}, {"writeData", "00"}, {"writeLength", "1"}, {"readLength", "4"}}},
    {"OmbixSmbusQuickCommand", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"operation", "1"}}},
    {"OmbixSmbusSendByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"byte", "0x11"}}},
    {"OmbixSmbusReceiveByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}}},
    {"OmbixSmbusWriteByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "1"}, {"byte", "0x22"}}},
    {"OmbixSmbusReadByte", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "1"}}},
    {"OmbixSmbusWriteWord", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "2"}, {"word", "0xbeef"}}},
    {"OmbixSmbusReadWord", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "2"}}},
    {"OmbixSmbusWriteBlock",
     {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "3"}, {"data", "01020304"}, {"dataLength", "4"}}},
    {"OmbixSmbusReadBlock", {{"smbusNr", "0"}, {"smbusAddress", "0x50"}, {"command", "3"}, {"dataLength", "32"}}},
    {"OmbixSpiXfer",
     {{"spiNr", "0"},
      {"deviceId", "0"},
      {"command", "0x03000010"},
      {"commandSize", "4"},
      {"numTransfers", "4"},
      {"writeData", "c0ffee00"}}},
    {"OmbixGpioGetDirection", {{"gpioNr", "3"}}},
    {"OmbixGpioGetDirectionCaps", {{"gpioNr", "1"}}},
    {"OmbixGpioSetDirection", {{"gpioNr", "3"}, {"direction", "1"}}},
    {"OmbixGpioGetLevel", {{"gpioNr", "3"}}},
    {"OmbixGpioSetLevel", {{"gpioNr", "3"}, {"level", "0"}}},
    {"OmbixWatchdogEnable", {{"timeout", "30"}}},
};

constexpr std::uint8_t kFill = 0xA5;
// Room of every byte buffer a call fills: more than any read of the table
// and the 128-byte description.
constexpr std::size_t kBufferRoom = 512;

bool ends_with(const std::string &text, const char *tail) {
    std::size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

bool is_buffer_name(const std::string &name) {
    return name == "data" || name == "readData" || name == "writeData" || name == "description";
}

// The names of a signature's parameters after the handle:
// "(int32_t handle, int32_t fanNr, uint8_t *pwm)" gives fanNr, pwm.
std::vector<std::string> parameter_names(const char *signature) {
    std::vector<std::string> names;
    std::string text = signature;
    for (std::size_t end = text.find_first_of(",)"); end != std::string::npos;
         end = text.find_first_of(",)", end + 1)) {
        std::size_t start = text.find_last_of(" *(", end - 1) + 1;
        names.push_back(text.substr(start, end - start));
    }
    names.erase(names.begin());
    return names;
}

std::string given(const Arguments &arguments, const std::string &name) {
    auto found = arguments.find(name);
    return found != arguments.end() ? found->second : std::string();
}

long long integer_of(const Arguments &arguments, const std::string &name) {
    return std::strtoll(given(arguments, name).c_str(), nullptr, 0);
}

std::vector<std::uint8_t> bytes_of(const std::string &hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(hex.substr(k, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

// One argument of a stub: an input's value, or the storage an output points to.
struct Slot {
    long long integer = 0;
    std::string text;
    std::vector<std::uint8_t> bytes;
    bool output = false;
};

template <typename A>
void prepare(Slot &slot, std::size_t k, const std::vector<std::string> &names, const Arguments &arguments) {
    const std::string &name = names[k];
    if constexpr (std::is_integral_v<A>) {
        slot.integer = integer_of(arguments, name);
    } else if constexpr (std::is_same_v<A, const char *>) {
        slot.text = given(arguments, name);
    } else if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        slot.bytes = bytes_of(given(arguments, name));
    } else {
        using T = std::remove_pointer_t<A>;
        slot.output = true;
        if constexpr (std::is_integral_v<T>) {
            slot.bytes.assign(is_buffer_name(name) ? kBufferRoom : sizeof(T), kFill);
            // A count that goes both ways holds the buffer's size on entry.
            if (ends_with(name, "Length")) {
                T room = static_cast<T>(integer_of(arguments, name));
                std::memcpy(slot.bytes.data(), &room, sizeof room);
            }
        } else {
            // A record, or a record list followed by its count.
            bool list = k + 1 < names.size() && ends_with(names[k + 1], "Count");
            std::size_t count = list ? static_cast<std::size_t>(integer_of(arguments, names[k + 1])) : 1;
            slot.bytes.assign(count * sizeof(T), kFill);
        }
    }
}

template <typename A>
A pass(Slot &slot) {
    if constexpr (std::is_integral_v<A>) {
        return static_cast<A>(slot.integer);
    } else if constexpr (std::is_same_v<A, const char *>) {
        return slot.text.c_str();
    } else if constexpr (std::is_same_v<A, const std::uint8_t *>) {
        return slot.bytes.empty() ? nullptr : slot.bytes.data();
    } else {
        return reinterpret_cast<A>(slot.bytes.data());
    }
}

std::vector<std::uint8_t> outputs_of(const std::vector<Slot> &slots) {
    std::vector<std::uint8_t> outputs;
    for (const Slot &slot : slots) {
        if (slot.output) outputs.insert(outputs.end(), slot.bytes.begin(), slot.bytes.end());
    }
    return outputs;
}

template <typename... A, std::size_t... K>
StubRun run_with(std::int32_t (*stub)(std::int32_t, A...), const char *signature, const Arguments &arguments,
                 std::index_sequence<K...>) {
    std::vector<std::string> names = parameter_names(signature);
    std::vector<Slot> slots(sizeof...(A));
    (prepare<A>(slots[K], K, names, arguments), ...);
    StubRun run;
    run.before.outputs = outputs_of(slots);
    run.after.code = stub(0, pass<A>(slots[K])...);
    run.after.outputs = outputs_of(slots);
    return run;
}

template <typename... A>
StubRun run_signature(std::int32_t (*stub)(std::int32_t, A...), const char *signature, const Arguments &arguments) {
    return run_with(stub, signature, arguments, std::index_sequence_for<A...>{});
}

using Runner = StubRun (*)(const Arguments &);

const std::map<std::string, Runner> &runners() {
    static const std::map<std::string, Runner> table = {
#define OMBIX_CALL(name, arguments) \
    {"Ombix" #name, [](const Arguments &given) { return run_signature(&OmbixR_##name, #arguments, given); }},
#include "ombix_calls.h"
#undef OMBIX_CALL
    };
    return table;
}

}  // namespace

const std::vector<std::string> &call_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
#define OMBIX_CALL(name, arguments) list.push_back("Ombix" #name);
#include "ombix_calls.h"
#undef OMBIX_CALL
        return list;
    }();
    return names;
}

StubRun run_stub(const std::string &call) {
    auto found = kArguments.find(call);
    return runners().at(call)(found != kArguments.end() ? found->second : Arguments{});
}

void reset_board() {
    sim::reset();
    sim::Eeprom &device = sim::board().devices.smbus.at(0);
    const std::uint8_t block[] = {0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
    std::memcpy(device.memory.data() + 3, block, sizeof block);
    device.blockLengths[3] = sizeof block;
    sim::board().gpio.at(3).direction = sim::kGpioOutput;
    sim::board().watchdogTimeout = 30;
}

}  // namespace ombix::test
