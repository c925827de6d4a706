// The host's programs in the guest: commands in both roots, the project's
// ombixd served to the host through the port forward, a 32-bit program, and
// a disk made on the host seen through the guest's AHCI, SCSI and FAT drivers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "guest.h"
#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "ombix_transport.h"

namespace {

using ombix::kernel_test::Guest;
using ombix::kernel_test::GuestCommand;
using ombix::kernel_test::GuestOptions;
using ombix::kernel_test::shell_quote;

constexpr unsigned short kOmbixdPort = 8711;

class HostProgramsInGuest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Guest::skip_reason()) return;
        char pattern[] = "/tmp/ombix-disk-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        folder_ = pattern;
        // An MBR with one FAT partition from 1 MiB on, and a file in it.
        std::string disk = folder_ + "/disk.img";
        std::string make = "set -e; cd " + shell_quote(folder_) +
                           "; truncate -s 16M disk.img"
                           "; printf 'label: dos\\nstart=2048, type=c\\n' | sfdisk -q disk.img"
                           "; mkfs.fat -F 16 -n OMBIXDISK --offset 2048 disk.img >/dev/null"
                           "; printf 'made on the host\\n' > hello.txt"
                           "; mcopy -i disk.img@@1M hello.txt ::HELLO.TXT";
        if (std::system(("bash -c " + shell_quote(make)).c_str()) != 0) return;
        GuestOptions options;
        options.forwarded_ports = {kOmbixdPort};
        options.modules = {"ahci", "sd_mod"};
        options.qemu_args = {"-drive", "file=" + disk + ",if=none,id=disk0,format=raw", "-device",
                             "ide-hd,drive=disk0,bus=ide.0"};
        guest_ = std::make_unique<Guest>(options);
    }
    static void TearDownTestSuite() {
        guest_.reset();
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }

    void SetUp() override {
        OMBIX_SKIP_WITHOUT_QEMU();
        ASSERT_TRUE(guest_) << "the disk image could not be made in " << folder_;
        ASSERT_TRUE(guest_->up()) << guest_->failure();
    }

    static std::string run(const std::string &script) {
        GuestCommand result = guest_->host_shell(script);
        EXPECT_TRUE(result.ok()) << script << "\n" << result.describe();
        return result.out;
    }

    static std::unique_ptr<Guest> guest_;
    static std::string folder_;
};

std::unique_ptr<Guest> HostProgramsInGuest::guest_;
std::string HostProgramsInGuest::folder_;

TEST_F(HostProgramsInGuest, commands_return_output_errors_and_status_apart_in_both_roots) {
    struct Command {
        bool host_root;
        const char *script;
        int timeout_seconds;
        int status;
        const char *out;
        const char *err;
    };
    for (const Command &c : std::vector<Command>{
             {false, "echo out; echo err >&2; exit 3", 60, 3, "out\n", "err\n"},
             {true, "echo out; echo err >&2; exit 3", 60, 3, "out\n", "err\n"},
             {true, "printf '%s|' \"it's\" 'a b' \"$HOME\"", 60, 0, "it's|a b|/root|", ""},
             {true, "test -w /usr/bin && touch /usr/bin/guest-only && echo written", 60, 0, "written\n", ""},
             {false, "sleep 30 & sleep 30", 2, 137, "", ""},
             // Nothing of the killed script is left (this script's own time limit is a "sleep 60").
             {false, "cat /proc/[0-9]*/cmdline | tr '\\0' ' ' | grep -c 'sleep [3]0'", 60, 1, "0\n", ""},
             {false, "echo still serving", 60, 0, "still serving\n", ""}}) {
        SCOPED_TRACE(c.script);
        GuestCommand result =
            c.host_root ? guest_->host_shell(c.script, c.timeout_seconds) : guest_->shell(c.script, c.timeout_seconds);
        EXPECT_EQ(result.status, c.status) << result.describe();
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_FALSE(std::filesystem::exists("/usr/bin/guest-only")) << "a write in the guest reached the host";
}

TEST_F(HostProgramsInGuest, ombixd_of_the_build_tree_serves_the_host_through_the_forward) {
    for (const char *name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    ASSERT_GT(guest_->start_host_program(std::string(OMBIXD_PATH) + " --listen 0.0.0.0:8711", "/tmp/ombixd.log"), 0);
    ASSERT_TRUE(guest_->wait_for_text("/tmp/ombixd.log", "listening on"))
        << guest_->host_shell("cat /tmp/ombixd.log").describe();

    std::string url = guest_->url(kOmbixdPort);
    OMBIX_HTTP_OPTIONS options = {url.c_str(), nullptr, 30000, nullptr};
    int32_t handle = 0;
    ASSERT_EQ(OmbixHttpOpen(&options, &handle), 0);
    uint8_t pwm = 0;
    int32_t rpm = 0;
    EXPECT_EQ(OmbixR_GetFanSpeed(handle, 0, &pwm, &rpm), OMBIX_RC_OK) << OmbixTransportLastError();
    EXPECT_EQ(pwm, 128);  // the simulated board's first fan
    EXPECT_EQ(rpm, 2400);
    OmbixHttpClose(handle);
}

TEST_F(HostProgramsInGuest, a_32_bit_program_runs_on_ia32_emulation_with_the_hosts_i386_libraries) {
    EXPECT_EQ(run(WORD_SIZE_PROBE_32_PATH), "{\"machine\":\"x86_64\",\"pointer_bits\":32}\n");
}

TEST_F(HostProgramsInGuest, a_disk_made_on_the_host_shows_its_partition_its_file_and_smart_health) {
    EXPECT_EQ(run("blkid -o value -s TYPE /dev/sda1; blkid -o value -s LABEL /dev/sda1"), "vfat\nOMBIXDISK\n");
    EXPECT_EQ(run("mount -o ro /dev/sda1 /mnt && cat /mnt/HELLO.TXT; umount /mnt"), "made on the host\n");
    // QEMU's ATA disk answers SMART; smartctl's status bits are not all failures.
    GuestCommand smart = guest_->host_shell("smartctl -H /dev/sda");
    EXPECT_NE(smart.out.find("PASSED"), std::string::npos) << smart.describe();
}

}  // namespace
