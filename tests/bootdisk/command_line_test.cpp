// The command line: switches, drive names and the refusals after the scan,
// each run against a scripted floppy drive that holds a valid boot sector.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "command_line.h"
#include "fat_sectors.h"
#include "test_names.h"
#include "run_capture.h"
#include "scripted_platform.h"
#include "tool_lines.h"

namespace {

using Lines = std::vector<std::string>;

const Lines kUsage = usageLines();

struct CommandLineCase {
    const char *behaviour;
    std::vector<std::string> args;
    Lines output;
    int status;
};

std::string invalidSwitch(char c) {
    return std::string("vxbootdisk: Invalid switch - /") + c;
}
const std::string kDrivenameExpected = "vxbootdisk: Drivename expected";

Lines madeBootable(const std::string &drive) {
    return {lines::readFrom(drive), lines::checked, lines::created, lines::toDisk(drive), lines::done};
}
Lines saved(const std::string &drive, const std::string &file, bool checked = true) {
    Lines out{lines::readFrom(drive)};
    if (checked)
        out.push_back(lines::checked);
    out.push_back(lines::toFile(file));
    out.push_back(lines::done);
    return out;
}

const CommandLineCase kCases[] = {
    {"no arguments print the usage text", {}, kUsage, 1},
    {"-h prints the usage text", {"-h"}, kUsage, 1},
    {"/H prints the usage text", {"/H"}, kUsage, 1},
    {"-? prints the usage text", {"-?"}, kUsage, 1},
    {"-h ends the run before later arguments", {"E:", "-ownrisk", "-h", "-x"}, kUsage, 1},
    {"a drive and -ownrisk make the drive bootable", {"E:", "-ownrisk"}, madeBootable("E:"), 0},
    {"switches and drive letters are matched without regard to case", {"e:", "/OWNRISK"},
     madeBootable("e:"), 0},
    {"arguments may come in any order", {"-ownrisk", "E:"}, madeBootable("E:"), 0},
    {"a later drive name replaces an earlier one", {"C:", "E:", "-ownrisk"}, madeBootable("E:"), 0},
    {"a group of just a dash does nothing", {"E:", "-", "-ownrisk", "/"}, madeBootable("E:"), 0},
    {"an abbreviated -ownrisk is refused", {"E:", "-own"}, kUsage, 1},
    {"-ownrisk followed by more characters is refused", {"E:", "-ownrisks"}, kUsage, 1},
    {"an abbreviated -systemdrive is refused", {"E:", "-ownrisk", "-system"}, kUsage, 1},
    {"an abbreviated -ignore is refused", {"E:", "-ownrisk", "-ign"}, kUsage, 1},
    {"an unknown switch is named after a slash", {"E:", "-ownrisk", "-x"},
     concat({invalidSwitch('x')}, kUsage), 1},
    {"an unknown switch is shown as typed", {"E:", "-ownrisk", "/Zf"},
     concat({invalidSwitch('Z')}, kUsage), 1},
    {"an unknown letter later in a group is found", {"E:", "-ownrisk", "-fq"},
     concat({invalidSwitch('q')}, kUsage), 1},
    {"a letter without a colon is no drive name", {"E", "-ownrisk"},
     concat({kDrivenameExpected}, kUsage), 1},
    {"two letters and a colon are no drive name", {"EF:", "-ownrisk"},
     concat({kDrivenameExpected}, kUsage), 1},
    {"a digit and a colon are no drive name", {"1:", "-ownrisk"},
     concat({kDrivenameExpected}, kUsage), 1},
    {"-f saves to VXLD.BIN", {"E:", "-ownrisk", "-f"}, saved("E:", "VXLD.BIN"), 0},
    {"-f takes the following argument as the file name", {"E:", "-ownrisk", "-f", "boot.sav"},
     saved("E:", "boot.sav"), 0},
    {"-f before a switch keeps VXLD.BIN and the switch counts", {"E:", "-ownrisk", "-f", "-ignore"},
     saved("E:", "VXLD.BIN", false), 0},
    {"-f before a slash switch keeps VXLD.BIN", {"E:", "-f", "/ownrisk"}, saved("E:", "VXLD.BIN"), 0},
    {"a file letter inside a group takes no file name", {"E:", "-fownrisk", "boot.sav"},
     concat({kDrivenameExpected}, kUsage), 1},
    {"the file name given last wins", {"E:", "-ownrisk", "-f", "one.bin", "-f", "two.bin"},
     saved("E:", "two.bin"), 0},
    {"the default name given last wins", {"E:", "-ownrisk", "-f", "one.bin", "-f"},
     saved("E:", "VXLD.BIN"), 0},
    {"two file switches in one group are refused", {"E:", "-ownrisk", "-fb"}, kUsage, 1},
    {"save and restore together are refused", {"E:", "-ownrisk", "-f", "-r", "x.bin"}, kUsage, 1},
    {"restore and to-file together are refused", {"E:", "-ownrisk", "-r", "-b"}, kUsage, 1},
    {"-b without a drive needs -ignore", {"-ownrisk", "-b"}, kUsage, 1},
    {"-ignore without -b needs a drive", {"-ownrisk", "-ignore"}, kUsage, 1},
    {"-ownrisk alone needs a drive", {"-ownrisk"}, kUsage, 1},
    {"a drive without -ownrisk is refused", {"E:"}, kUsage, 1},
    {"an empty argument ends the scan", {"E:", "", "-ownrisk"}, kUsage, 1},
    {"arguments after an empty one are not checked", {"E:", "-ownrisk", "", "-x", "EF:"},
     madeBootable("E:"), 0},
    {"an empty argument after -f is no file name", {"E:", "-ownrisk", "-f", ""},
     saved("E:", "VXLD.BIN"), 0},
    {"-b with -ignore and no drive builds a blank sector",
     {"-ownrisk", "-ignore", "-b", "out.bin"},
     {lines::skipped, lines::created, lines::toFile("out.bin"), lines::done}, 0},
    {"-b with -ignore and a drive reads it unchecked", {"E:", "-ownrisk", "-ignore", "-b"},
     {lines::readFrom("E:"), lines::created, lines::toFile("VXLD.BIN"), lines::done}, 0},
};

void PrintTo(const CommandLineCase &row, std::ostream *out) {
    *out << row.behaviour;
}

class CommandLine : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, PrintsExactlyItsLinesAndExitStatus) {
    const CommandLineCase &c = GetParam();
    resetScriptedPlatform(fatBootSector());
    const RunResult result = runTool(c.args);
    EXPECT_EQ(result.lines, c.output);
    EXPECT_EQ(result.status, c.status);
    if (c.status != 0) {
        EXPECT_TRUE(scriptedPlatform().log.empty()) << "a refused command line touches nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, testing::ValuesIn(kCases), BEHAVIOUR_NAMES);

TEST(ProgramName, IsTheFileNameWithoutDirectoryOrExtension) {
    const struct {
        const char *path;
        const char *name;
    } cases[] = {
        {"C:\\tools\\vxbootdisk.exe", "vxbootdisk"},
        {"/usr/local/bin/vxbootdisk", "vxbootdisk"},
        {"mkboot.EXE", "mkboot"},
        {"..\\dir.d\\tool", "tool"},
        {"name.tar.gz", "name.tar"},
        {"", ""},
    };
    for (const auto &c : cases) {
        char name[VXBOOTDISK_PROGRAM_NAME_SIZE];
        programNameFromPath(c.path, name, sizeof name);
        EXPECT_STREQ(name, c.name) << c.path;
    }
}

TEST(ProgramName, AppearsInTheUsageText) {
    resetScriptedPlatform(fatBootSector());
    const char *argv[] = {"D:\\bin\\mkboot.exe"};
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    EXPECT_EQ(runVxbootdisk(1, argv, out), 1);
    fclose(out);
    EXPECT_EQ(splitLines(std::string(text, size)), usageLines("mkboot"));
    free(text);
}

TEST(ProgramName, AMissingProgramPathDoesNotStopTheUsageText) {
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    EXPECT_EQ(runVxbootdisk(0, nullptr, out), 1);
    fclose(out);
    EXPECT_EQ(splitLines(std::string(text, size)), usageLines());
    free(text);
}

}  // namespace
