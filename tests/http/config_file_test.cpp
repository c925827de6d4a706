// The configuration file of ombixd: lines turned into options, the command
// line over them, and every unusable line refused with its number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_file.h"
#include "server_process.h"

namespace {

struct Gathered {
    bool ok = false;
    std::vector<std::string> arguments;
    std::string error;
};

Gathered gather(std::vector<std::string> command_line) {
    command_line.insert(command_line.begin(), "ombixd");
    std::vector<char *> argv;
    for (std::string &argument : command_line) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    Gathered result;
    result.ok =
        ombixd::gather_arguments(static_cast<int>(command_line.size()), argv.data(), result.arguments, result.error);
    return result;
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { directory_ = ombix::test::make_temp_directory(); }
    void TearDown() override { ombix::test::remove_directory(directory_); }
    std::string file(const std::string &content) {
        std::string path = directory_ + "/ombixd.conf";
        ombix::test::write_file(path, content);
        return path;
    }
    std::string directory_;
};

TEST_F(ConfigFile, lines_come_before_the_command_line_so_that_options_override_them) {
    std::string path = file(
        "# the board's service\n\n  listen = 127.0.0.1:9000  \nthreads=2\r\ntls-client-ca = ca.pem\ntls-cert = "
        "a.pem\n");
    Gathered result = gather({"--threads", "3", "--config", path, "--listen", "[::1]:1"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.arguments,
              (std::vector<std::string>{"--listen", "127.0.0.1:9000", "--threads", "2", "--tls-client-ca", "ca.pem",
                                        "--tls-cert", "a.pem", "--threads", "3", "--listen", "[::1]:1"}));
    Gathered none = gather({"--threads", "3"});
    ASSERT_TRUE(none.ok);
    EXPECT_EQ(none.arguments, (std::vector<std::string>{"--threads", "3"}));
}

TEST_F(ConfigFile, an_unusable_line_is_refused_with_its_number) {
    const struct {
        const char *content;
        const char *error;
    } cases[] = {
        {"threads = 2\nlisten 127.0.0.1:1\n", ":2: expected name = value"},
        {"\n\nport = 1\n", ":3: unknown option --port"},
        {"threads = 0\n", ":1: bad value for --threads: 0"},
        {"threads = \n", ":1: threads needs a value"},
        {"--threads = 2\n", ":1: not an option of the file: --threads"},
        {"config = /etc/passwd\n", ":1: not an option of the file: config"},
        {"help = 1\n", ":1: not an option of the file: help"},
        {"= 2\n", ":1: not an option of the file: "},
    };
    for (const auto &bad : cases) {
        SCOPED_TRACE(bad.content);
        std::string path = file(bad.content);
        Gathered result = gather({"--config", path});
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, path + bad.error);
    }
}

TEST_F(ConfigFile, a_missing_file_or_value_is_refused) {
    Gathered missing = gather({"--config", directory_ + "/absent.conf"});
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "cannot read configuration file " + directory_ + "/absent.conf");
    Gathered directory = gather({"--config", directory_});
    EXPECT_FALSE(directory.ok);
    Gathered no_value = gather({"--config"});
    EXPECT_FALSE(no_value.ok);
    EXPECT_EQ(no_value.error, "--config needs a value");
}

}  // namespace
