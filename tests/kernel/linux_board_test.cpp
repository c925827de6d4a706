// ombixd --board linux on a real kernel: every group of the Linux board read
// and driven through the remote API, against values set from outside the
// project (chip registers through i2c-stub, gpio-sim's side, test_power's
// parameters, QEMU's SMBIOS options, sysfs), and the same numbers and names
// in a second boot that loads its drivers in another order.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "board_guest.h"
#include "ombixRemoteCall.h"
#include "ombix_linux_board.h"

namespace {

using ombix::kernel_test::BoardGuest;
using ombix::kernel_test::BoardGuestOptions;
using ombix::kernel_test::Guest;

const char *const kHelpers = R"sh(
sim=/sys/kernel/config/gpio-sim/rig
sim_side() { echo /sys/devices/platform/$(cat $sim/dev_name)/$(cat $sim/bank0/chip_name); }
make_sim() { mkdir -p $1/bank0 $1/bank1 && echo 8 > $1/bank0/num_lines && echo 4 > $1/bank1/num_lines && echo 1 > $1/live; }
)sh";

// The devices both boots make, in an order of their own.
const char *const kDevicesFirstOrder = R"sh(
echo lm75 0x48 > /sys/bus/i2c/devices/i2c-$(stub)/new_device
echo max6650 0x1b > /sys/bus/i2c/devices/i2c-$(stub)/new_device
make_sim $sim
)sh";
// Another order: the fan chip first, and the GPIO chips after another one
// that is then removed, so hwmon, I2C bus and gpiochip numbers all differ.
const char *const kDevicesOtherOrder = R"sh(
echo max6650 0x1b > /sys/bus/i2c/devices/i2c-$(stub)/new_device
echo lm75 0x48 > /sys/bus/i2c/devices/i2c-$(stub)/new_device
make_sim /sys/kernel/config/gpio-sim/first
make_sim $sim
echo 0 > /sys/kernel/config/gpio-sim/first/live
rmdir /sys/kernel/config/gpio-sim/first/bank0 /sys/kernel/config/gpio-sim/first/bank1 /sys/kernel/config/gpio-sim/first
)sh";

std::vector<std::string> kFirstOrderModules = {"i2c-stub chip_addr=0x48,0x1b",
                                               "i2c-dev",
                                               "lm75",
                                               "max6650",
                                               "ombix_test_i2c",
                                               "gpio-sim",
                                               "test_power",
                                               "ombix_test_backlight max_brightness=937 brightness=100",
                                               "softdog soft_margin=37"};
std::vector<std::string> kOtherOrderModules = {"softdog soft_margin=37 nowayout=1",
                                               "ombix_test_backlight max_brightness=937 brightness=100",
                                               "test_power",
                                               "ombix_test_i2c",
                                               "gpio-sim",
                                               "max6650",
                                               "lm75",
                                               "i2c-stub chip_addr=0x48,0x1b",
                                               "i2c-dev"};

std::vector<std::string> smbios_options() {
    return {"-smbios", "type=1,manufacturer=Ombix Test Maker,product=Rig Board",
            "-smbios", "type=2,manufacturer=Ombix Boards,product=Carrier 7,version=C2,serial=BRD-0042",
            "-smbios", "type=0,vendor=Rig Firmware,version=R1.27,date=03/18/2026",
            "-smbios", "type=17,manufacturer=Modulemaker,serial=A7F3C201,part=MM4-512M,speed=2400"};
}

// What a client sees of the board's numbered devices.
struct Numbering {
    std::vector<std::string> temps, voltages, fans;
    uint32_t gpio_lines = 0;
    bool operator==(const Numbering &o) const {
        return temps == o.temps && voltages == o.voltages && fans == o.fans && gpio_lines == o.gpio_lines;
    }
};

// A board guest of this suite, with what a client sees of its numbered devices.
class LinuxBoardGuest : public BoardGuest {
public:
    LinuxBoardGuest(const std::vector<std::string> &modules, const char *devices, const std::string &board_file)
        : BoardGuest(BoardGuestOptions{modules, smbios_options(), kHelpers, devices, board_file}) {}

    Numbering numbering() {
        Numbering n;
        int32_t count = 0;
        EXPECT_EQ(OmbixR_GetTempSensorCount(handle, &count), OMBIX_RC_OK);
        std::vector<SENSOR_VALUE> sensors(static_cast<std::size_t>(count));
        EXPECT_EQ(OmbixR_GetTempSensorList(handle, sensors.data(), count), OMBIX_RC_OK);
        for (const SENSOR_VALUE &s : sensors) n.temps.push_back(s.name);
        EXPECT_EQ(OmbixR_GetVoltageSensorCount(handle, &count), OMBIX_RC_OK);
        sensors.assign(static_cast<std::size_t>(count), SENSOR_VALUE{});
        EXPECT_EQ(OmbixR_GetVoltageSensorList(handle, sensors.data(), count), OMBIX_RC_OK);
        for (const SENSOR_VALUE &s : sensors) n.voltages.push_back(s.name);
        EXPECT_EQ(OmbixR_GetFanCount(handle, &count), OMBIX_RC_OK);
        std::vector<FAN_INFO> fans(static_cast<std::size_t>(count));
        EXPECT_EQ(OmbixR_GetFanList(handle, fans.data(), count), OMBIX_RC_OK);
        for (const FAN_INFO &f : fans) n.fans.push_back(f.name);
        EXPECT_EQ(OmbixR_GpioGetCount(handle, &n.gpio_lines), OMBIX_RC_OK);
        return n;
    }

    int32_t temp_sensor(const std::string &name) {
        Numbering n = numbering();
        for (std::size_t i = 0; i < n.temps.size(); ++i) {
            if (n.temps[i] == name) return static_cast<int32_t>(i);
        }
        return -1;
    }
};

class LinuxBoardOnKernel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Guest::skip_reason()) return;
        board_ = std::make_unique<LinuxBoardGuest>(kFirstOrderModules, kDevicesFirstOrder,
                                                   R"({"temperatures": {"system": "lm75 temp1"}})");
    }
    static void TearDownTestSuite() { board_.reset(); }
    void SetUp() override {
        OMBIX_SKIP_WITHOUT_QEMU();
        ASSERT_TRUE(board_ && board_->ready) << (board_ ? board_->why() : "");
    }
    static std::unique_ptr<LinuxBoardGuest> board_;
    static Numbering first_numbering_;
};

std::unique_ptr<LinuxBoardGuest> LinuxBoardOnKernel::board_;
Numbering LinuxBoardOnKernel::first_numbering_;

TEST_F(LinuxBoardOnKernel, ombixd_and_its_board_library_run_natively_at_the_word_size_of_their_build) {
    EXPECT_EQ(board_->ombixd_word_sizes(), ombix::kernel_test::expected_board_word_sizes());
}

TEST_F(LinuxBoardOnKernel, identity_comes_from_dmi_and_the_counters_from_the_kernel) {
    int32_t h = board_->handle;
    BOARD_INFO info{};
    ASSERT_EQ(OmbixR_GetBoardInfo(h, &info), OMBIX_RC_OK);
    EXPECT_STREQ(info.boardManufacturer, "Ombix Boards");
    EXPECT_STREQ(info.boardName, "Carrier 7");
    EXPECT_STREQ(info.boardVersion, "C2");
    EXPECT_STREQ(info.boardSerialNumber, "BRD-0042");
    EXPECT_STREQ(info.biosVersion, "R1.27");
    EXPECT_STREQ(info.biosDate, "03/18/2026");
    int32_t value = 0;
    ASSERT_EQ(OmbixR_GetBootCounter(h, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(OmbixR_SystemUpTime(h, &value), OMBIX_RC_OK);
    EXPECT_GT(value, 0);
    CPU_INFO cpu{};
    ASSERT_EQ(OmbixR_GetCpuInfo(h, &cpu), OMBIX_RC_OK);
    EXPECT_EQ(cpu.cpuThreadCount, 1);
    MEMORY_INFO memory{};
    ASSERT_EQ(OmbixR_GetMemoryInfo(h, &memory), OMBIX_RC_OK);
    EXPECT_GT(memory.memTotal, 300);
    EXPECT_LE(memory.memTotal, 512);
    ASSERT_EQ(OmbixR_GetMemoryModuleCount(h, &value), OMBIX_RC_OK);
    ASSERT_GE(value, 1);
    MEMORY_MODULE module{};
    ASSERT_EQ(OmbixR_GetMemoryModuleInfo(h, 0, &module), OMBIX_RC_OK);
    EXPECT_STREQ(module.manufacturer, "Modulemaker");
    EXPECT_STREQ(module.partNumber, "MM4-512M");
    EXPECT_EQ(module.moduleSize, 512);
    ASSERT_EQ(OmbixR_GetPciDeviceCount(h, &value), OMBIX_RC_OK);
    ASSERT_GT(value, 0);
    std::vector<PCI_DEVICE> pci(static_cast<std::size_t>(value));
    ASSERT_EQ(OmbixR_GetPciDeviceList(h, pci.data(), value), OMBIX_RC_OK);
    EXPECT_NE(std::string(pci[0].vendorName), "");  // named from pci.ids
}

TEST_F(LinuxBoardOnKernel, a_temperature_written_into_the_lm75_registers_is_read_as_whole_degrees) {
    int32_t sensor = board_->temp_sensor("lm75 temp1");
    ASSERT_GE(sensor, 0);
    board_->out("i2cset -f -y $(stub) 0x48 0x00 0x801a w");        // 26.5 degrees, low byte first
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));  // the driver's cache
    int32_t value = 0;
    ASSERT_EQ(OmbixR_GetTempSensorValue(board_->handle, sensor, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 27);
    ASSERT_EQ(OmbixR_GetSystemTemp(board_->handle, &value), OMBIX_RC_OK);
    EXPECT_EQ(value, 27);
    EXPECT_EQ(OmbixR_GetChipsetTemp(board_->handle, &value), OMBIX_LINUX_RC_NOT_SUPPORTED);
}

TEST_F(LinuxBoardOnKernel, the_fan_chip_reports_its_registers_and_takes_a_manual_pwm) {
    int32_t h = board_->handle;
    Numbering n = board_->numbering();
    ASSERT_EQ(n.fans, std::vector<std::string>{"max6650 fan1"});
    // Tachometer 0 counts 20 pulses in the 0.25 s window: 2400 rpm at two pulses a turn.
    // The mode as an administrator sets it through the driver: closed loop.
    board_->out(
        "i2cset -f -y $(stub) 0x1b 0x0c 20 && for f in /sys/bus/i2c/devices/$(stub)-001b/hwmon/hwmon*/pwm1_enable; do "
        "echo 2 > $f; done");
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    uint8_t pwm = 0, mode = 0;
    int32_t rpm = 0;
    ASSERT_EQ(OmbixR_GetFanSpeed(h, 0, &pwm, &rpm), OMBIX_RC_OK);
    EXPECT_EQ(rpm, 2400);
    ASSERT_EQ(OmbixR_GetFanMode(h, 0, &mode), OMBIX_RC_OK);
    EXPECT_EQ(mode, 2);
    ASSERT_EQ(OmbixR_SetFanModeManual(h, 0, 128), OMBIX_RC_OK);
    // Open loop in the mode bits; the DAC holds the 5 V scale's 76 - 76 * 128 / 255.
    EXPECT_EQ(board_->out("printf '%d %d\\n' $(( $(i2cget -f -y $(stub) 0x1b 0x02) & 0x30 )) "
                          "$(i2cget -f -y $(stub) 0x1b 0x06)"),
              "48 38\n");
    ASSERT_EQ(OmbixR_GetFanMode(h, 0, &mode), OMBIX_RC_OK);
    EXPECT_EQ(mode, 1);
}

TEST_F(LinuxBoardOnKernel, battery_values_set_through_the_driver_arrive_in_the_records_units) {
    int32_t h = board_->handle;
    board_->out(
        "p=/sys/module/test_power/parameters; echo 11840000 > $p/battery_voltage && "
        "echo discharging > $p/battery_status && echo off > $p/ac_online && echo off > $p/usb_online");
    int8_t count = 0;
    ASSERT_EQ(OmbixR_GetBatteryCount(h, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 1);
    BATTERY_INFO info{};
    ASSERT_EQ(OmbixR_GetBatteryInfo(h, 0, &info), OMBIX_RC_OK);
    EXPECT_STREQ(info.deviceName, "Test battery");
    EXPECT_STREQ(info.type, "Li-ion");
    BATTERY_STATE state{};
    ASSERT_EQ(OmbixR_GetBatteryState(h, 0, &state), OMBIX_RC_OK);
    EXPECT_EQ(state.currentVoltage, 11840);
    EXPECT_EQ(state.chargeState, 2);
    EXPECT_EQ(state.powerState, 0);
    EXPECT_EQ(state.remainingTime, 60);
    board_->out("echo on > /sys/module/test_power/parameters/ac_online");
    ASSERT_EQ(OmbixR_GetBatteryState(h, 0, &state), OMBIX_RC_OK);
    EXPECT_EQ(state.powerState, 1);
}

TEST_F(LinuxBoardOnKernel, the_backlight_is_a_percentage_of_the_devices_maximum) {
    int32_t h = board_->handle, count = 0, percent = 0;
    ASSERT_EQ(OmbixR_GetDisplayCount(h, &count), OMBIX_RC_OK);
    ASSERT_EQ(count, 1);
    ASSERT_EQ(OmbixR_SetBacklightValue(h, 0, 50), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("cat /sys/class/backlight/ombix_test_backlight/brightness"), "469\n");
    board_->out("echo 937 > /sys/class/backlight/ombix_test_backlight/brightness");
    ASSERT_EQ(OmbixR_GetBacklightValue(h, 0, &percent), OMBIX_RC_OK);
    EXPECT_EQ(percent, 100);
}

TEST_F(LinuxBoardOnKernel, gpio_levels_come_from_the_sim_side_and_outputs_stay_driven) {
    int32_t h = board_->handle;
    uint32_t lines = 0;
    ASSERT_EQ(OmbixR_GpioGetCount(h, &lines), OMBIX_RC_OK);
    ASSERT_EQ(lines, 12u);
    uint8_t level = 9, direction = 9;
    for (const char *pull : {"pull-up", "pull-down"}) {
        SCOPED_TRACE(pull);
        board_->out(std::string("echo ") + pull + " > $(sim_side)/sim_gpio3/pull");
        ASSERT_EQ(OmbixR_GpioGetLevel(h, 3, &level), OMBIX_RC_OK);
        EXPECT_EQ(level, std::string(pull) == "pull-up" ? 1 : 0);
    }
    ASSERT_EQ(OmbixR_GpioSetDirection(h, 5, 1), OMBIX_RC_OK);
    ASSERT_EQ(OmbixR_GpioSetLevel(h, 5, 1), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("cat $(sim_side)/sim_gpio5/value"), "1\n");
    ASSERT_EQ(OmbixR_GpioGetDirection(h, 5, &direction), OMBIX_RC_OK);
    EXPECT_EQ(direction, 1);
    EXPECT_EQ(OmbixR_GpioSetLevel(h, 4, 1), OMBIX_LINUX_RC_NOT_AN_OUTPUT);
    // A line another program holds.
    board_->out(
        "gpioset --mode=signal $(cat $sim/bank0/chip_name) 6=1 >/dev/null 2>&1 & echo $! > /tmp/setter; sleep 0.5");
    EXPECT_EQ(OmbixR_GpioGetLevel(h, 6, &level), OMBIX_LINUX_RC_LINE_BUSY);
    EXPECT_EQ(OmbixR_GpioSetDirection(h, 6, 1), OMBIX_LINUX_RC_LINE_BUSY);
    board_->out("kill $(cat /tmp/setter)");
    // The second chip's lines follow the first's.
    board_->out("echo pull-up > /sys/devices/platform/$(cat $sim/dev_name)/$(cat $sim/bank1/chip_name)/sim_gpio2/pull");
    ASSERT_EQ(OmbixR_GpioGetLevel(h, 10, &level), OMBIX_RC_OK);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(OmbixR_GpioGetLevel(h, 12, &level), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(board_->out("cat $(sim_side)/sim_gpio5/value"), "1\n") << "the output was released";
}

TEST_F(LinuxBoardOnKernel, the_watchdog_takes_its_timeout_keepalives_and_the_magic_close) {
    int32_t h = board_->handle, max = 0;
    ASSERT_EQ(OmbixR_WatchdogGetCap(h, &max), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("cat /sys/class/watchdog/watchdog0/max_timeout"), std::to_string(max) + "\n");
    EXPECT_EQ(OmbixR_WatchdogTrigger(h), OMBIX_LINUX_RC_WATCHDOG_NOT_ENABLED);
    ASSERT_EQ(OmbixR_WatchdogEnable(h, 20), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("cat /sys/class/watchdog/watchdog0/timeout /sys/class/watchdog/watchdog0/state"),
              "20\nactive\n");
    EXPECT_EQ(OmbixR_WatchdogTrigger(h), OMBIX_RC_OK);
    ASSERT_EQ(OmbixR_WatchdogDisable(h), OMBIX_RC_OK);
    EXPECT_EQ(board_->out("cat /sys/class/watchdog/watchdog0/state"), "inactive\n");
}

TEST_F(LinuxBoardOnKernel, system_states_and_the_password) {
    int32_t h = board_->handle;
    EXPECT_EQ(OmbixR_SetSystemState(h, 2), OMBIX_LINUX_RC_NOT_PERMITTED);
    EXPECT_EQ(OmbixR_Passwd(h, "secret", ""), OMBIX_RC_OK);
    EXPECT_EQ(OmbixR_Passwd(h, "other", "wrong"), OMBIX_LINUX_RC_WRONG_PASSWORD);
    EXPECT_EQ(board_->out("grep -c secret /var/lib/ombix/password || true"), "0\n");
    uint8_t count = 0;
    EXPECT_EQ(OmbixR_GetI2cBusCount(h, &count), OMBIX_RC_OK);
    EXPECT_GE(count, 1);  // the rig's plain-I2C adapter
    first_numbering_ = board_->numbering();
}

TEST_F(LinuxBoardOnKernel,
       another_load_order_gives_the_same_numbers_and_names_a_nowayout_watchdog_stays_and_a_reboot_ends_the_guest) {
    ASSERT_FALSE(first_numbering_.temps.empty()) << "runs after the cases above";
    board_.reset();  // one guest at a time
    LinuxBoardGuest other(kOtherOrderModules, kDevicesOtherOrder, R"({"systemStates": ["reboot"]})");
    ASSERT_TRUE(other.ready) << other.why();
    EXPECT_NE(other.out("cat $sim/bank0/chip_name"), "gpiochip0\n") << "the chip numbers did not move";
    Numbering n = other.numbering();
    EXPECT_EQ(n.temps, first_numbering_.temps);
    EXPECT_EQ(n.voltages, first_numbering_.voltages);
    EXPECT_EQ(n.fans, first_numbering_.fans);
    EXPECT_EQ(n.gpio_lines, first_numbering_.gpio_lines);
    // This boot's softdog may not stop (nowayout): disabling says so, and the
    // watchdog stays enabled and can still be triggered.
    ASSERT_EQ(OmbixR_WatchdogEnable(other.handle, 30), OMBIX_RC_OK);
    EXPECT_EQ(OmbixR_WatchdogDisable(other.handle), OMBIX_LINUX_RC_WATCHDOG_NOT_STOPPED);
    EXPECT_EQ(OmbixR_WatchdogTrigger(other.handle), OMBIX_RC_OK);
    EXPECT_EQ(other.out("cat /sys/class/watchdog/watchdog0/state"), "active\n");
    ASSERT_EQ(OmbixR_SetSystemState(other.handle, 2), OMBIX_RC_OK);
    EXPECT_TRUE(other.guest->wait_for_exit(60)) << "the reboot did not end QEMU";
}

}  // namespace
