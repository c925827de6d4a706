// The cross-built Windows program under wine: same command line, same lines,
// and the same sector as the Linux build.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "full_file_system.h"
#include "shell.h"
#include "tool_lines.h"
#include "usage_text.h"

namespace ombix::bootdisk {
namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// The wine loader for the program under test: Debian's wine64 loader for a
// 64-bit build (the PE header's machine field is 0x8664), which kernels that
// run no 32-bit programs need, else wine.
std::string wine_loader() {
    const Bytes image = read_bytes(VXBOOTDISK_WINDOWS_PROGRAM);
    if (image.size() < 0x40) return "wine";
    const size_t header = image[0x3C] | image[0x3D] << 8 | image[0x3E] << 16 | size_t{image[0x3F]} << 24;
    const bool x8664 = header + 6 <= image.size() && image[header + 4] == 0x64 && image[header + 5] == 0x86;
    return x8664 ? "WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64" : "wine";
}

// Runs wine in dir. Its output goes through a file: the wine server that wine
// starts inherits the output and would hold a pipe open for seconds.
CommandResult run_wine(const std::filesystem::path &dir, const std::string &arguments) {
    const std::string output = shell_quoted((dir / "wine-output.txt").string());
    const CommandResult run =
        run_command("cd " + shell_quoted(dir.string()) + " && WINEPREFIX=" + shell_quoted(VXBOOTDISK_WINE_PREFIX) +
                    " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' " + wine_loader() + " " + arguments + " > " +
                    output + " 2>&1 < /dev/null");
    const Bytes text = read_bytes(dir / "wine-output.txt");
    return CommandResult{run.status, std::string(text.begin(), text.end()) + run.output};
}

// Empty when the program can be tested; otherwise why not.
std::string why_wine_cannot_run() {
    static const std::string reason = [] {
        if (std::string(VXBOOTDISK_WINDOWS_PROGRAM).empty())
            return std::string("no Windows build given (VXBOOTDISK_WINDOWS_EXE is not set)");
        ScratchDirectory dir;
        const CommandResult probe = run_wine(dir.path(), "cmd /c echo wine-started");
        if (probe.output.find("wine-started") == std::string::npos)
            return "wine cannot start: " + probe.output.substr(0, 400);
        return std::string();
    }();
    return reason;
}

CommandResult run_windows_tool(const ScratchDirectory &dir, const std::string &arguments) {
    return run_wine(dir.path(), shell_quoted(VXBOOTDISK_WINDOWS_PROGRAM) + " " + arguments);
}

#define OMBIX_SKIP_WITHOUT_WINE()                         \
    do {                                                  \
        const std::string reason = why_wine_cannot_run(); \
        if (!reason.empty()) GTEST_SKIP() << reason;      \
    } while (0)

TEST(WindowsProgram, prints_the_usage_text_and_exits_with_one) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult result = run_windows_tool(dir, "-h");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), usage_lines("vxbootdisk"));
}

TEST(WindowsProgram, names_an_invalid_switch) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult result = run_windows_tool(dir, "E: -ownrisk -x");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), concat({"vxbootdisk: Invalid switch - /x"}, usage_lines("vxbootdisk")));
}

TEST(WindowsProgram, builds_the_same_blank_sector_as_the_linux_program) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult windows = run_windows_tool(dir, "-ownrisk -ignore -b out.bin");
    EXPECT_EQ(windows.status, 0);
    EXPECT_EQ(output_lines(windows.output),
              (Lines{lines::kSkipped, lines::kCreated, lines::to_file("out.bin"), lines::kDone}));

    const CommandResult linux = run_command("cd " + shell_quoted(dir.path().string()) + " && " +
                                            shell_quoted(VXBOOTDISK_PROGRAM) + " -ownrisk -ignore -b linux.bin");
    ASSERT_EQ(linux.status, 0) << linux.output;
    const Bytes sector = read_bytes(dir / "out.bin");
    EXPECT_EQ(sector.size(), 512u);
    EXPECT_EQ(sector, read_bytes(dir / "linux.bin"));
}

std::vector<std::string> names_in(const std::filesystem::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WindowsProgram, replaces_an_earlier_sector_file_whole_and_leaves_no_other_file) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    write_bytes(dir / "out.bin", Bytes(5000, 0x0F));
    const CommandResult result = run_windows_tool(dir, "-ownrisk -ignore -b out.bin");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(read_bytes(dir / "out.bin").size(), 512u);
    EXPECT_EQ(names_in(dir.path()), (Lines{"out.bin", "wine-output.txt"}));
}

// Windows refuses to replace a read-only file, and so does the program before
// it writes anything (wine running as root would let it through).
TEST(WindowsProgram, refuses_a_read_only_sector_file) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    write_bytes(dir / "out.bin", Bytes(700, 0x0F));
    ASSERT_EQ(chmod((dir / "out.bin").c_str(), 0444), 0);
    const CommandResult result = run_windows_tool(dir, "-ownrisk -ignore -b out.bin");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output),
              (Lines{lines::kSkipped, lines::kCreated, lines::failed("Open Write on out.bin")}));
    EXPECT_EQ(read_bytes(dir / "out.bin"), Bytes(700, 0x0F));
    EXPECT_EQ(names_in(dir.path()), (Lines{"out.bin", "wine-output.txt"}));
}

TEST(WindowsProgram, leaves_the_sector_file_as_it_was_on_a_full_file_system) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const FullFileSystem full(dir / "full", {{"out.bin", Bytes(700, 0x0F)}});
    if (!full.why_not().empty()) GTEST_SKIP() << full.why_not();
    for (const char *name : {"full/out.bin", "full/new.bin"}) {
        const CommandResult result = run_windows_tool(dir, std::string("-ownrisk -ignore -b ") + name);
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(output_lines(result.output),
                  (Lines{lines::kSkipped, lines::kCreated, lines::failed(std::string("WriteFile on ") + name)}));
        EXPECT_EQ(full.names(), Lines{"out.bin"}) << "nothing but the earlier file, after " << name;
        EXPECT_EQ(read_bytes(dir / "full" / "out.bin"), Bytes(700, 0x0F));
    }
}

TEST(WindowsProgram, reports_a_drive_that_cannot_be_opened) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult result = run_windows_tool(dir, "-ownrisk Q: -r missing.bin");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), (Lines{lines::failed("Open Q:")}));
}

// wine maps a drive's raw device to a file through a "x::" link; it opens and
// locks such a volume but answers no geometry query for a plain file.
TEST(WindowsProgram, opens_and_locks_a_volume_then_asks_for_its_geometry) {
    OMBIX_SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "floppy.img";
    write_bytes(image, Bytes(1474560, 0));
    const std::filesystem::path devices = std::filesystem::path(VXBOOTDISK_WINE_PREFIX) / "dosdevices";
    std::error_code ignored;
    std::filesystem::remove(devices / "r::", ignored);
    std::filesystem::remove(devices / "r:", ignored);
    std::filesystem::create_symlink(image, devices / "r::");
    std::filesystem::create_directory_symlink(dir.path(), devices / "r:");
    const CommandResult result = run_windows_tool(dir, "R: -ownrisk");
    std::filesystem::remove(devices / "r::", ignored);
    std::filesystem::remove(devices / "r:", ignored);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), (Lines{lines::failed("Get Disk Geometry R:")}));
    EXPECT_EQ(read_bytes(image), Bytes(1474560, 0));
}

}  // namespace
}  // namespace ombix::bootdisk

#undef OMBIX_SKIP_WITHOUT_WINE
