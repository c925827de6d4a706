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

namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// The wine loader for the program under test: Debian's wine64 loader for a
// 64-bit build (the PE header's machine field is 0x8664), which kernels that
// run no 32-bit programs need, else wine.
std::string wineLoader() {
    const Bytes image = readBytes(VXBOOTDISK_WINDOWS_PROGRAM);
    if (image.size() < 0x40)
        return "wine";
    const size_t header = image[0x3C] | image[0x3D] << 8 | image[0x3E] << 16 | size_t{image[0x3F]} << 24;
    const bool x8664 = header + 6 <= image.size() && image[header + 4] == 0x64 && image[header + 5] == 0x86;
    return x8664 ? "WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64" : "wine";
}

// Runs wine in dir. Its output goes through a file: the wine server that wine
// starts inherits the output and would hold a pipe open for seconds.
CommandResult runWine(const std::filesystem::path &dir, const std::string &arguments) {
    const std::string output = shellQuoted((dir / "wine-output.txt").string());
    const CommandResult run = runCommand(
        "cd " + shellQuoted(dir.string()) + " && WINEPREFIX=" + shellQuoted(VXBOOTDISK_WINE_PREFIX) +
        " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' " + wineLoader() + " " + arguments + " > " + output +
        " 2>&1 < /dev/null");
    const Bytes text = readBytes(dir / "wine-output.txt");
    return CommandResult{run.status, std::string(text.begin(), text.end()) + run.output};
}

// Empty when the program can be tested; otherwise why not.
std::string whyWineCannotRun() {
    static const std::string reason = [] {
        if (std::string(VXBOOTDISK_WINDOWS_PROGRAM).empty())
            return std::string("no Windows build given (VXBOOTDISK_WINDOWS_EXE is not set)");
        ScratchDirectory dir;
        const CommandResult probe = runWine(dir.path(), "cmd /c echo wine-started");
        if (probe.output.find("wine-started") == std::string::npos)
            return "wine cannot start: " + probe.output.substr(0, 400);
        return std::string();
    }();
    return reason;
}

CommandResult runWindowsTool(const ScratchDirectory &dir, const std::string &arguments) {
    return runWine(dir.path(), shellQuoted(VXBOOTDISK_WINDOWS_PROGRAM) + " " + arguments);
}

#define SKIP_WITHOUT_WINE()                                          \
    do {                                                             \
        const std::string reason = whyWineCannotRun();               \
        if (!reason.empty())                                         \
            GTEST_SKIP() << reason;                                  \
    } while (0)

TEST(WindowsProgram, PrintsTheUsageTextAndExitsWithOne) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult result = runWindowsTool(dir, "-h");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), usageLines("vxbootdisk"));
}

TEST(WindowsProgram, NamesAnInvalidSwitch) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult result = runWindowsTool(dir, "E: -ownrisk -x");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), concat({"vxbootdisk: Invalid switch - /x"}, usageLines("vxbootdisk")));
}

TEST(WindowsProgram, BuildsTheSameBlankSectorAsTheLinuxProgram) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult windows = runWindowsTool(dir, "-ownrisk -ignore -b out.bin");
    EXPECT_EQ(windows.status, 0);
    EXPECT_EQ(outputLines(windows.output),
              (Lines{lines::skipped, lines::created, lines::toFile("out.bin"), lines::done}));

    const CommandResult linux = runCommand("cd " + shellQuoted(dir.path().string()) + " && " +
                                           shellQuoted(VXBOOTDISK_PROGRAM) + " -ownrisk -ignore -b linux.bin");
    ASSERT_EQ(linux.status, 0) << linux.output;
    const Bytes sector = readBytes(dir / "out.bin");
    EXPECT_EQ(sector.size(), 512u);
    EXPECT_EQ(sector, readBytes(dir / "linux.bin"));
}

std::vector<std::string> namesIn(const std::filesystem::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WindowsProgram, ReplacesAnEarlierSectorFileWholeAndLeavesNoOtherFile) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    writeBytes(dir / "out.bin", Bytes(5000, 0x0F));
    const CommandResult result = runWindowsTool(dir, "-ownrisk -ignore -b out.bin");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(readBytes(dir / "out.bin").size(), 512u);
    EXPECT_EQ(namesIn(dir.path()), (Lines{"out.bin", "wine-output.txt"}));
}

// Windows refuses to replace a read-only file, and so does the program before
// it writes anything (wine running as root would let it through).
TEST(WindowsProgram, RefusesAReadOnlySectorFile) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    writeBytes(dir / "out.bin", Bytes(700, 0x0F));
    ASSERT_EQ(chmod((dir / "out.bin").c_str(), 0444), 0);
    const CommandResult result = runWindowsTool(dir, "-ownrisk -ignore -b out.bin");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output),
              (Lines{lines::skipped, lines::created, lines::failed("Open Write on out.bin")}));
    EXPECT_EQ(readBytes(dir / "out.bin"), Bytes(700, 0x0F));
    EXPECT_EQ(namesIn(dir.path()), (Lines{"out.bin", "wine-output.txt"}));
}

TEST(WindowsProgram, LeavesTheSectorFileAsItWasOnAFullFileSystem) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const FullFileSystem full(dir / "full", {{"out.bin", Bytes(700, 0x0F)}});
    if (!full.whyNot().empty())
        GTEST_SKIP() << full.whyNot();
    for (const char *name : {"full/out.bin", "full/new.bin"}) {
        const CommandResult result = runWindowsTool(dir, std::string("-ownrisk -ignore -b ") + name);
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(outputLines(result.output),
                  (Lines{lines::skipped, lines::created, lines::failed(std::string("WriteFile on ") + name)}));
        EXPECT_EQ(full.names(), Lines{"out.bin"}) << "nothing but the earlier file, after " << name;
        EXPECT_EQ(readBytes(dir / "full" / "out.bin"), Bytes(700, 0x0F));
    }
}

TEST(WindowsProgram, ReportsADriveThatCannotBeOpened) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const CommandResult result = runWindowsTool(dir, "-ownrisk Q: -r missing.bin");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), (Lines{lines::failed("Open Q:")}));
}

// wine maps a drive's raw device to a file through a "x::" link; it opens and
// locks such a volume but answers no geometry query for a plain file.
TEST(WindowsProgram, OpensAndLocksAVolumeThenAsksForItsGeometry) {
    SKIP_WITHOUT_WINE();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "floppy.img";
    writeBytes(image, Bytes(1474560, 0));
    const std::filesystem::path devices = std::filesystem::path(VXBOOTDISK_WINE_PREFIX) / "dosdevices";
    std::error_code ignored;
    std::filesystem::remove(devices / "r::", ignored);
    std::filesystem::remove(devices / "r:", ignored);
    std::filesystem::create_symlink(image, devices / "r::");
    std::filesystem::create_directory_symlink(dir.path(), devices / "r:");
    const CommandResult result = runWindowsTool(dir, "R: -ownrisk");
    std::filesystem::remove(devices / "r::", ignored);
    std::filesystem::remove(devices / "r:", ignored);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(outputLines(result.output), (Lines{lines::failed("Get Disk Geometry R:")}));
    EXPECT_EQ(readBytes(image), Bytes(1474560, 0));
}

}  // namespace
