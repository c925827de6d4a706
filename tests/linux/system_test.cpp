// The boot counter, the password, system states, a machine with nothing,
// and calls from several threads while the board is configured anew.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fake_root.h"
#include "ombix_linux_board.h"

namespace {

using ombix::linux_test::configure;
using ombix::linux_test::FakeRoot;

int32_t boots() {
    int32_t count = -1;
    EXPECT_EQ(OmbixGetBootCounter(0, &count), OMBIX_RC_OK);
    return count;
}

TEST(LinuxSystem, the_boot_counter_counts_each_boot_id_once) {
    FakeRoot root;
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    EXPECT_EQ(boots(), 1);
    EXPECT_EQ(boots(), 1);
    root.file("proc/sys/kernel/random/boot_id", "6f1c7e52-0000-4000-8000-000000000002\n");
    EXPECT_EQ(boots(), 2);
    EXPECT_EQ(boots(), 2);
    EXPECT_EQ(root.read("state/boot-count"), "2 6f1c7e52-0000-4000-8000-000000000002\n");
}

TEST(LinuxSystem, a_damaged_boot_counter_is_reported_and_kept) {
    FakeRoot root;
    root.file("state/boot-count", "garbage\n");
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t count = 0;
    EXPECT_EQ(OmbixGetBootCounter(0, &count), OMBIX_LINUX_RC_OS_ERROR(EBADMSG));
    EXPECT_EQ(root.read("state/boot-count"), "garbage\n");
}

TEST(LinuxSystem, the_password_is_kept_hashed_and_changed_only_with_the_old_one) {
    FakeRoot root;
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    struct Step {
        const char *new_password;
        const char *old_password;
        int32_t code;
    };
    for (const Step &s : std::vector<Step>{{"first", "wrong", OMBIX_LINUX_RC_WRONG_PASSWORD},
                                           {"first", "", OMBIX_RC_OK},
                                           {"second", "", OMBIX_LINUX_RC_WRONG_PASSWORD},
                                           {"second", "firs", OMBIX_LINUX_RC_WRONG_PASSWORD},
                                           {"second", "first", OMBIX_RC_OK},
                                           {"", "second", OMBIX_LINUX_RC_INVALID_ARGUMENT},
                                           {"third", "second", OMBIX_RC_OK}}) {
        SCOPED_TRACE(std::string(s.new_password) + " from " + s.old_password);
        EXPECT_EQ(OmbixPasswd(0, s.new_password, s.old_password), s.code);
    }
    std::string kept = root.read("state/password");
    EXPECT_EQ(kept.find("third"), std::string::npos);
    EXPECT_EQ(kept[0], '$');
    EXPECT_EQ(OmbixPasswd(0, nullptr, "third"), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    EXPECT_EQ(OmbixPasswd(0, "x", nullptr), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    root.file("state/password", "not a hash\n");
    EXPECT_NE(OmbixPasswd(0, "fourth", "third"), OMBIX_RC_OK);
}

TEST(LinuxSystem, system_states_are_refused_unless_the_board_file_enables_them) {
    FakeRoot root;
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    for (int32_t state : {1, 2, 3}) EXPECT_EQ(OmbixSetSystemState(0, state), OMBIX_LINUX_RC_NOT_PERMITTED);
    ASSERT_EQ(configure(root, R"({"systemStates": ["reboot"]})"), OMBIX_RC_OK);
    EXPECT_EQ(OmbixSetSystemState(0, 1), OMBIX_LINUX_RC_NOT_PERMITTED);
    for (int32_t state : {0, 4, -1}) EXPECT_EQ(OmbixSetSystemState(0, state), OMBIX_LINUX_RC_INVALID_ARGUMENT);
    // With a root prefix the request is written down, not carried out.
    EXPECT_EQ(OmbixSetSystemState(0, 2), OMBIX_RC_OK);
    EXPECT_EQ(root.read("run/ombix-system-state"), "reboot\n");
}

TEST(LinuxSystem, a_machine_with_nothing_answers_every_group_with_a_code_or_an_empty_list) {
    FakeRoot root;
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    int32_t value = 0;
    uint32_t count = 0;
    BOARD_INFO board{};
    EXPECT_EQ(OmbixGetBoardInfo(0, &board), OMBIX_LINUX_RC_NOT_SUPPORTED);
    EXPECT_EQ(OmbixGpioGetCount(0, &count), OMBIX_RC_OK);
    EXPECT_EQ(count, 0u);
    uint8_t level = 0;
    EXPECT_EQ(OmbixGpioGetLevel(0, 0, &level), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixWatchdogGetCap(0, &value), OMBIX_LINUX_RC_NOT_SUPPORTED);
    EXPECT_EQ(OmbixWatchdogEnable(0, 10), OMBIX_LINUX_RC_NOT_SUPPORTED);
    EXPECT_EQ(OmbixWatchdogTrigger(0), OMBIX_LINUX_RC_WATCHDOG_NOT_ENABLED);
    EXPECT_EQ(OmbixWatchdogDisable(0), OMBIX_LINUX_RC_WATCHDOG_NOT_ENABLED);
    EXPECT_EQ(OmbixGetMemoryModuleCount(0, &value), OMBIX_LINUX_RC_NOT_SUPPORTED);
    for (auto get_count :
         {OmbixGetDisplayCount, OmbixGetStorageCount, OmbixGetDiskDriveCount, OmbixGetDiskDrivePartitionCount}) {
        value = -1;
        EXPECT_EQ(get_count(0, &value), OMBIX_RC_OK);
        EXPECT_EQ(value, 0);
    }
    for (auto get_bus_count : {OmbixGetI2cBusCount, OmbixGetSmbusCount, OmbixGetSpiBusCount}) {
        uint8_t buses = 0xFF;
        EXPECT_EQ(get_bus_count(0, &buses), OMBIX_RC_OK);
        EXPECT_EQ(buses, 0);
    }
    uint8_t data[4] = {};
    uint32_t length = 1;
    EXPECT_EQ(OmbixI2cRead(0, 0, 0x50, 0, 1, data, &length), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixSmbusReadByte(0, 0, 0x50, 0, data), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_EQ(OmbixSpiXfer(0, 0, 0, 0, 0, 1, data, data), OMBIX_LINUX_RC_NO_DEVICE);
    EXPECT_TRUE(OMBIX_LINUX_RC_IS_OS_ERROR(OmbixSystemUpTime(0, &value)));
    LIB_VERSION version{};
    EXPECT_EQ(OmbixGetLibVersion(0, &version), OMBIX_RC_OK);
    EXPECT_EQ(version.OmbixVersion, OMBIX_LINUX_BOARD_VERSION);
}

TEST(LinuxSystem, calls_from_several_threads_while_the_board_is_configured_anew_all_get_an_answer) {
    FakeRoot root;
    for (int chip = 0; chip < 8; ++chip) {
        root.hwmon(chip, "platform/chip." + std::to_string(chip), "chip", {{"temp1_input", "30000"}});
    }
    ASSERT_EQ(configure(root), OMBIX_RC_OK);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&wrong] {
            for (int i = 0; i < 2000; ++i) {
                int32_t value = 0;
                if (OmbixGetTempSensorValue(0, i % 8, &value) != OMBIX_RC_OK || value != 30) ++wrong;
            }
        });
    }
    for (int i = 0; i < 20; ++i) EXPECT_EQ(configure(root), OMBIX_RC_OK);
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(OmbixApiThreadSafe, 1);
}

}  // namespace
