// The command line: switches, drive names and the refusals after the scan,
// each run against a scripted floppy drive that holds a valid boot sector.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bpb_builder.h"
#include "command_line.h"
#include "run_capture.h"
#include "scripted_platform.h"
#include "test_names.h"
#include "tool_lines.h"

namespace ombix::bootdisk {
namespace {

using Lines = std::vector<std::string>;

const Lines kUsage = usage_lines();

struct CommandLineCase {
    const char *behaviour;
    std::vector<std::string> args;
    Lines output;
    int status;
};

std::string invalid_switch(char c) {
    return std::string("vxbootdisk: Invalid switch - /") + c;
}
const std::string kDrivenameExpected = "vxbootdisk: Drivename expected";

Lines made_bootable(const std::string &drive) {
    return {lines::read_from(drive), lines::kChecked, lines::kCreated, lines::to_disk(drive), lines::kDone};
}
Lines saved(const std::string &drive, const std::string &file, bool checked = true) {
    Lines out{lines::read_from(drive)};
    if (checked) out.push_back(lines::kChecked);
    out.push_back(lines::to_file(file));
    out.push_back(lines::kDone);
    return out;
}

const CommandLineCase kCases[] = {
    {"no arguments print the usage text", {}, kUsage, 1},
    {"-h prints the usage text", {"-h"}, kUsage, 1},
    {"/H prints the usage text", {"/H"}, kUsage, 1},
    {"-? prints the usage text", {"-?"}, kUsage, 1},
    {"-h ends the run before later arguments", {"E:", "-ownrisk", "-h", "-x"}, kUsage, 1},
    {"a drive and -ownrisk make the drive bootable", {"E:", "-ownrisk"}, made_bootable("E:"), 0},
    {"switches and drive letters are matched without regard to case", {"e:", "/OWNRISK"}, made_bootable("e:"), 0},
    {"arguments may come in any order", {"-ownrisk", "E:"}, made_bootable("E:"), 0},
    {"a later drive name replaces an earlier one", {"C:", "E:", "-ownrisk"}, made_bootable("E:"), 0},
    {"a group of just a dash does nothing", {"E:", "-", "-ownrisk", "/"}, made_bootable("E:"), 0},
    {"an abbreviated -ownrisk is refused", {"E:", "-own"}, kUsage, 1},
    {"-ownrisk followed by more characters is refused", {"E:", "-ownrisks"}, kUsage, 1},
    {"an abbreviated -systemdrive is refused", {"E:", "-ownrisk", "-system"}, kUsage, 1},
    {"an abbreviated -ignore is refused", {"E:", "-ownrisk", "-ign"}, kUsage, 1},
    {"an unknown switch is named after a slash", {"E:", "-ownrisk", "-x"}, concat({invalid_switch('x')}, kUsage), 1},
    {"an unknown switch is shown as typed", {"E:", "-ownrisk", "/Zf"}, concat({invalid_switch('Z')}, kUsage), 1},
    {"an unknown letter later in a group is found",
     {"E:", "-ownrisk", "-fq"},
     concat({invalid_switch('q')}, kUsage),
     1},
    {"a letter without a colon is no drive name", {"E", "-ownrisk"}, concat({kDrivenameExpected}, kUsage), 1},
    {"two letters and a colon are no drive name", {"EF:", "-ownrisk"}, concat({kDrivenameExpected}, kUsage), 1},
    {"a digit and a colon are no drive name", {"1:", "-ownrisk"}, concat({kDrivenameExpected}, kUsage), 1},
    {"-f saves to VXLD.BIN", {"E:", "-ownrisk", "-f"}, saved("E:", "VXLD.BIN"), 0},
    {"-f takes the following argument as the file name",
     {"E:", "-ownrisk", "-f", "boot.sav"},
     saved("E:", "boot.sav"),
     0},
    {"-f before a switch keeps VXLD.BIN and the switch counts",
     {"E:", "-ownrisk", "-f", "-ignore"},
     saved("E:", "VXLD.BIN", false),
     0},
    {"-f before a slash switch keeps VXLD.BIN", {"E:", "-f", "/ownrisk"}, saved("E:", "VXLD.BIN"), 0},
    {"a file letter inside a group takes no file name",
     {"E:", "-fownrisk", "boot.sav"},
     concat({kDrivenameExpected}, kUsage),
     1},
    {"the file name given last wins", {"E:", "-ownrisk", "-f", "one.bin", "-f", "two.bin"}, saved("E:", "two.bin"), 0},
    {"the default name given last wins", {"E:", "-ownrisk", "-f", "one.bin", "-f"}, saved("E:", "VXLD.BIN"), 0},
    {"two file switches in one group are refused", {"E:", "-ownrisk", "-fb"}, kUsage, 1},
    {"save and restore together are refused", {"E:", "-ownrisk", "-f", "-r", "x.bin"}, kUsage, 1},
    {"restore and to-file together are refused", {"E:", "-ownrisk", "-r", "-b"}, kUsage, 1},
    {"-b without a drive needs -ignore", {"-ownrisk", "-b"}, kUsage, 1},
    {"-ignore without -b needs a drive", {"-ownrisk", "-ignore"}, kUsage, 1},
    {"-ownrisk alone needs a drive", {"-ownrisk"}, kUsage, 1},
    {"a drive without -ownrisk is refused", {"E:"}, kUsage, 1},
    {"an empty argument ends the scan", {"E:", "", "-ownrisk"}, kUsage, 1},
    {"arguments after an empty one are not checked", {"E:", "-ownrisk", "", "-x", "EF:"}, made_bootable("E:"), 0},
    {"an empty argument after -f is no file name", {"E:", "-ownrisk", "-f", ""}, saved("E:", "VXLD.BIN"), 0},
    {"-b with -ignore and no drive builds a blank sector",
     {"-ownrisk", "-ignore", "-b", "out.bin"},
     {lines::kSkipped, lines::kCreated, lines::to_file("out.bin"), lines::kDone},
     0},
    {"-b with -ignore and a drive reads it unchecked",
     {"E:", "-ownrisk", "-ignore", "-b"},
     {lines::read_from("E:"), lines::kCreated, lines::to_file("VXLD.BIN"), lines::kDone},
     0},
};

void PrintTo(const CommandLineCase &row, std::ostream *out) {
    *out << row.behaviour;
}

class CommandLine : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, prints_exactly_its_lines_and_exit_status) {
    const CommandLineCase &c = GetParam();
    reset_scripted_platform(fat_boot_sector());
    const RunResult result = run_tool(c.args);
    EXPECT_EQ(result.lines, c.output);
    EXPECT_EQ(result.status, c.status);
    if (c.status != 0) {
        EXPECT_TRUE(scripted_platform().log.empty()) << "a refused command line touches nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, testing::ValuesIn(kCases), OMBIX_BEHAVIOUR_NAMES);

TEST(ProgramName, is_the_file_name_without_directory_or_extension) {
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
        char name[kProgramNameSize];
        program_name_from_path(c.path, name, sizeof name);
        EXPECT_STREQ(name, c.name) << c.path;
    }
}

TEST(ProgramName, appears_in_the_usage_text) {
    reset_scripted_platform(fat_boot_sector());
    const char *argv[] = {"D:\\bin\\mkboot.exe"};
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    EXPECT_EQ(run_vxbootdisk(1, argv, out), 1);
    fclose(out);
    EXPECT_EQ(split_lines(std::string(text, size)), usage_lines("mkboot"));
    free(text);
}

TEST(ProgramName, a_missing_program_path_does_not_stop_the_usage_text) {
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    EXPECT_EQ(run_vxbootdisk(0, nullptr, out), 1);
    fclose(out);
    EXPECT_EQ(split_lines(std::string(text, size)), usage_lines());
    free(text);
}

}  // namespace
}  // namespace ombix::bootdisk
