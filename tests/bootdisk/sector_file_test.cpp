// The sector file of -f and -b as the Linux program leaves it: the whole
// sector or, after a failure, what was there before; never a part of it and
// never a file of its own making besides it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "full_file_system.h"
#include "linux_tool.h"
#include "shell.h"
#include "test_names.h"
#include "tool_lines.h"

namespace ombix::bootdisk {
namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;
using Names = std::vector<std::string>;

std::vector<std::string> names_in(const std::filesystem::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const Bytes kEarlier(700, 0x0F);

struct FullDiskCase {
    const char *behaviour;
    std::vector<std::string> args;
    bool earlier_file;  // the file name already holds kEarlier
    Lines output;
};

void PrintTo(const FullDiskCase &row, std::ostream *out) {
    *out << row.behaviour;
}

const FullDiskCase kFullDisk[] = {
    {"a saved sector leaves no file",
     {"A:", "-ownrisk", "-f", "full/save.bin"},
     false,
     {lines::read_from("A:"), lines::kChecked, lines::failed("WriteFile on full/save.bin")}},
    {"a saved sector keeps the earlier file",
     {"A:", "-ownrisk", "-f", "full/save.bin"},
     true,
     {lines::read_from("A:"), lines::kChecked, lines::failed("WriteFile on full/save.bin")}},
    {"a built sector keeps the earlier file",
     {"A:", "-ownrisk", "-b", "full/save.bin"},
     true,
     {lines::read_from("A:"), lines::kChecked, lines::kCreated, lines::failed("WriteFile on full/save.bin")}},
    {"a blank sector leaves no file",
     {"-ownrisk", "-ignore", "-b", "full/save.bin"},
     false,
     {lines::kSkipped, lines::kCreated, lines::failed("WriteFile on full/save.bin")}},
};

class FullFileSystemWrite : public testing::TestWithParam<FullDiskCase> {};

TEST_P(FullFileSystemWrite, leaves_the_file_as_it_was) {
    const FullDiskCase &c = GetParam();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(must_run("mkfs.fat -C " + shell_quoted(image.string()) + " 1440"));
    std::map<std::string, Bytes> earlier;
    if (c.earlier_file) earlier["save.bin"] = kEarlier;
    const FullFileSystem full(dir / "full", earlier);
    if (!full.why_not().empty()) GTEST_SKIP() << full.why_not();

    const CommandResult result = run_linux_tool(dir, volume('A', image), c.args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output), c.output);
    EXPECT_EQ(full.names(), c.earlier_file ? Names{"save.bin"} : Names{});
    if (c.earlier_file) {
        EXPECT_EQ(read_bytes(dir / "full" / "save.bin"), kEarlier);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FullFileSystemWrite, testing::ValuesIn(kFullDisk), OMBIX_BEHAVIOUR_NAMES);

TEST(SectorFile, replaces_an_earlier_file_whole_and_keeps_its_permissions) {
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "drive.img";
    ASSERT_NO_FATAL_FAILURE(must_run("mkfs.fat -C " + shell_quoted(image.string()) + " 1440"));
    write_bytes(dir / "save.bin", Bytes(5000, 0x0F));
    ASSERT_EQ(chmod((dir / "save.bin").c_str(), 0640), 0);

    const CommandResult result = run_linux_tool(dir, volume('A', image), {"A:", "-ownrisk", "-f", "save.bin"});
    EXPECT_EQ(result.status, 0) << result.output;
    const Bytes volume_bytes = read_bytes(image);
    EXPECT_EQ(read_bytes(dir / "save.bin"), Bytes(volume_bytes.begin(), volume_bytes.begin() + 512));
    EXPECT_EQ(names_in(dir.path()), (Names{"drive.img", "save.bin"}));
    struct stat status;
    ASSERT_EQ(stat((dir / "save.bin").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST(SectorFile, a_folder_of_the_name_is_refused_before_anything_is_written) {
    ScratchDirectory dir;
    std::filesystem::create_directory(dir / "save.bin");
    const CommandResult result = run_linux_tool(dir, "", {"-ownrisk", "-ignore", "-b", "save.bin"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(output_lines(result.output),
              (Lines{lines::kSkipped, lines::kCreated, lines::failed("Open Write on save.bin")}));
    EXPECT_EQ(names_in(dir.path()), (Names{"save.bin"}));
}

}  // namespace
}  // namespace ombix::bootdisk
