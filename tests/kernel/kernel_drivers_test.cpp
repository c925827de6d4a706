// The kernel's own drivers, its simulators and our test devices in one guest:
// values set from outside (chip registers, simulator lines, module
// parameters, QEMU's options) arrive where user space reads them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "guest.h"

namespace {

using ombix::kernel_test::Guest;
using ombix::kernel_test::GuestCommand;
using ombix::kernel_test::GuestOptions;

// Shell functions for the scripts below: the I2C bus number of an adapter
// by its name, and the sysfs folders of the gpio-sim chip made by a test.
const char *const kHelpers = R"sh(
bus_named() { for a in /sys/bus/i2c/devices/i2c-*; do [ "$(cat "$a/name")" = "$1" ] && echo "${a##*i2c-}"; done; }
sim_config=/sys/kernel/config/gpio-sim/rig
)sh";

class KernelDrivers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Guest::skip_reason()) return;
        GuestOptions options;
        options.qemu_args = {
            "-device", "i6300esb",
            "-smbios", "type=1,manufacturer=Ombix Test Maker,product=Rig Board,version=1.2,serial=SN-0042",
            "-smbios", "type=2,manufacturer=Ombix Boards,product=Carrier 7"};
        options.modules = {"i2c-stub chip_addr=0x48",
                           "i2c-dev",
                           "lm75",
                           "gpio-sim",
                           "test_power",
                           "ombix_test_i2c",
                           "ombix_test_spi",
                           "ombix_test_backlight max_brightness=937 brightness=100",
                           "softdog soft_margin=37",
                           "i6300esb heartbeat=42"};
        guest_ = std::make_unique<Guest>(options);
    }
    static void TearDownTestSuite() { guest_.reset(); }

    void SetUp() override {
        OMBIX_SKIP_WITHOUT_QEMU();
        ASSERT_TRUE(guest_ && guest_->up()) << (guest_ ? guest_->failure() : "");
    }

    // The standard output of a script in the host's root; a failure if it fails.
    static std::string run(const std::string &script) {
        GuestCommand result = guest_->host_shell(kHelpers + script);
        EXPECT_TRUE(result.ok()) << script << "\n" << result.describe();
        return result.out;
    }

    static std::unique_ptr<Guest> guest_;
};

std::unique_ptr<Guest> KernelDrivers::guest_;

TEST_F(KernelDrivers, an_lm75_on_i2c_stub_reads_the_temperature_written_into_its_register) {
    run("echo lm75 0x48 > /sys/bus/i2c/devices/i2c-$(bus_named 'SMBus stub driver')/new_device");
    struct Temperature {
        const char *word;  // the register as SMBus carries it: low byte first
        const char *millidegrees;
    };
    for (const Temperature &t : std::vector<Temperature>{{"0x8019", "25500\n"}, {"0x80f3", "-12500\n"}}) {
        SCOPED_TRACE(t.word);
        // -f: the address is the driver's now; i2c-stub plays the chip.
        EXPECT_EQ(run("bus=$(bus_named 'SMBus stub driver'); i2cset -f -y $bus 0x48 0x00 " + std::string(t.word) +
                      " w && cat /sys/bus/i2c/devices/$bus-0048/hwmon/hwmon*/temp1_input"),
                  t.millidegrees);
    }
}

TEST_F(KernelDrivers, gpio_sim_lines_are_driven_from_the_sim_side_and_read_back_there) {
    run("mkdir $sim_config $sim_config/bank0 $sim_config/bank0/line3 && echo 8 > $sim_config/bank0/num_lines && "
        "echo button > $sim_config/bank0/line3/name && echo 1 > $sim_config/live");
    const std::string chip =
        "chip=$(cat $sim_config/bank0/chip_name); "
        "sim=/sys/devices/platform/$(cat $sim_config/dev_name)/$chip; ";
    EXPECT_NE(run(chip + "gpioinfo $chip").find("\"button\""), std::string::npos);
    struct Pull {
        const char *pull;
        const char *level;
    };
    for (const Pull &p : std::vector<Pull>{{"pull-up", "1\n"}, {"pull-down", "0\n"}}) {
        SCOPED_TRACE(p.pull);
        EXPECT_EQ(run(chip + "echo " + p.pull + " > $sim/sim_gpio3/pull && gpioget $chip 3"), p.level);
    }
    // An edge made on the sim side reaches a watcher as an interrupt (the
    // interrupt simulator linked into gpio-sim). Toggled until the watcher,
    // which may not have asked for the line yet, has seen one.
    EXPECT_NE(run(chip + "gpiomon --num-events=1 --rising-edge $chip 4 > /tmp/edge & watcher=$!; "
                         "for i in $(seq 50); do echo pull-up > $sim/sim_gpio4/pull; sleep 0.1; "
                         "kill -0 $watcher 2>/dev/null || break; echo pull-down > $sim/sim_gpio4/pull; done; "
                         "kill $watcher 2>/dev/null; cat /tmp/edge")
                  .find("RISING EDGE offset: 4"),
              std::string::npos);
    // gpioset holds the line until signalled; the sim side sees the output.
    EXPECT_EQ(run(chip + "gpioset --mode=signal $chip 5=1 & setter=$!; "
                         "for i in $(seq 50); do [ \"$(cat $sim/sim_gpio5/value)\" = 1 ] && break; sleep 0.1; done; "
                         "cat $sim/sim_gpio5/value; kill $setter"),
              "1\n");
}

TEST_F(KernelDrivers, test_power_offers_a_battery_whose_values_follow_its_parameters) {
    EXPECT_EQ(run("cat /sys/class/power_supply/test_battery/present"), "1\n");
    EXPECT_EQ(run("echo 77 > /sys/module/test_power/parameters/battery_capacity && "
                  "cat /sys/class/power_supply/test_battery/capacity"),
              "77\n");
}

TEST_F(KernelDrivers, the_plain_i2c_adapter_carries_combined_transfers_and_smbus_calls) {
    const std::string bus = "bus=$(bus_named 'ombix test I2C adapter'); ";
    EXPECT_EQ(run(bus + "i2cdetect -F $bus | grep -cE '^I2C +yes$'"), "1\n");
    // Register n holds n until written; the pointer survives the repeated start.
    EXPECT_EQ(run(bus + "i2ctransfer -y $bus w1@0x50 0x10 r4"), "0x10 0x11 0x12 0x13\n");
    EXPECT_EQ(run(bus + "i2ctransfer -y $bus w4@0x50 0x20 0xde 0xad 0xbe && i2ctransfer -y $bus w1@0x50 0x20 r3"),
              "0xde 0xad 0xbe\n");
    EXPECT_EQ(run(bus + "i2cget -y $bus 0x50 0x21"), "0xad\n");
    EXPECT_FALSE(guest_->host_shell(kHelpers + bus + "i2ctransfer -y $bus r1@0x51").ok()) << "another address ACKed";
}

TEST_F(KernelDrivers, spi_loopback_through_spidev_returns_what_was_sent) {
    const std::string device = "device=$(ls /dev/spidev*); ";
    EXPECT_EQ(run(device + "printf 'ombix\\001\\377' | spi-pipe -d $device -b 7 -n 1"), "ombix\001\377");
    // Without a read buffer (write) and without data to send (read: zeros).
    run(device + "printf 'abc' > $device");
    EXPECT_EQ(run(device + "head -c 4 $device | od -An -tx1"), " 00 00 00 00\n");
}

TEST_F(KernelDrivers, the_test_backlight_has_the_maximum_given_at_load) {
    const std::string folder = "cd /sys/class/backlight/ombix_test_backlight && ";
    EXPECT_EQ(run(folder + "cat max_brightness brightness"), "937\n100\n");
    EXPECT_EQ(run(folder + "echo 500 > brightness && cat actual_brightness"), "500\n");
}

TEST_F(KernelDrivers, watchdogs_report_the_timeout_they_were_loaded_with) {
    std::string found =
        run("for w in /sys/class/watchdog/watchdog*; do echo \"$(cat $w/identity)=$(cat $w/timeout)\"; done");
    EXPECT_NE(found.find("Software Watchdog=37\n"), std::string::npos) << found;
    EXPECT_NE(found.find("i6300ESB timer=42\n"), std::string::npos) << found;
}

TEST_F(KernelDrivers, dmi_strings_come_from_the_smbios_options) {
    struct Field {
        const char *file;
        const char *value;
    };
    for (const Field &f : std::vector<Field>{{"sys_vendor", "Ombix Test Maker"},
                                             {"product_name", "Rig Board"},
                                             {"product_version", "1.2"},
                                             {"product_serial", "SN-0042"},
                                             {"board_vendor", "Ombix Boards"},
                                             {"board_name", "Carrier 7"}}) {
        SCOPED_TRACE(f.file);
        EXPECT_EQ(run(std::string("cat /sys/class/dmi/id/") + f.file), std::string(f.value) + "\n");
    }
}

// Last in the suite (cases run in the order written): the modules built here
// and everything the cases above did left no kernel warning or oops.
TEST_F(KernelDrivers, the_kernel_logged_no_warning_after_all_of_the_above) {
    EXPECT_EQ(run("dmesg | grep -E 'WARNING:|BUG:|Oops|Call Trace' || true"), "");
}

}  // namespace
