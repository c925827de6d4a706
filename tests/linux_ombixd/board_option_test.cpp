// ombixd --board: the Linux board and any board library given by its path,
// loaded at run time beside the shared executor; unusable choices stop
// ombixd before it listens.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "ombix_linux_board.h"
#include "server_process.h"

namespace {

using ombix::test::ServerProcess;

int32_t open_client(const ServerProcess &server) {
    OMBIX_HTTP_OPTIONS options{server.url().c_str(), nullptr, 10000, nullptr};
    int32_t handle = 0;
    EXPECT_EQ(OmbixHttpOpen(&options, &handle), 0);
    return handle;
}

TEST(OmbixdBoardOption, the_linux_board_serves_this_machine_and_says_what_it_lacks) {
    ombix::test::bypass_proxies();
    ServerProcess server({"--board", "linux"});
    ASSERT_TRUE(server.started());
    int32_t handle = open_client(server);
    LIB_VERSION version{};
    ASSERT_EQ(OmbixR_GetLibVersion(handle, &version), OMBIX_RC_OK);
    EXPECT_EQ(version.OmbixVersion, OMBIX_LINUX_BOARD_VERSION);
    uint8_t buses = 0;
    EXPECT_EQ(OmbixR_GetI2cBusCount(handle, &buses), OMBIX_RC_OK);  // served, with or without adapters
    int32_t up = 0;
    EXPECT_EQ(OmbixR_SystemUpTime(handle, &up), OMBIX_RC_OK);
    OmbixHttpClose(handle);
    EXPECT_EQ(server.stop(), 0);
}

TEST(OmbixdBoardOption, a_board_library_given_by_its_path_is_served) {
    ombix::test::bypass_proxies();
    ServerProcess server({"--board", OMBIX_SIM_BOARD_LIBRARY});
    ASSERT_TRUE(server.started());
    int32_t handle = open_client(server);
    LIB_VERSION version{};
    ASSERT_EQ(OmbixR_GetLibVersion(handle, &version), OMBIX_RC_OK);
    EXPECT_STREQ(version.OmbixVersionText, "Ombix board API 4.2.1");
    OmbixHttpClose(handle);
    EXPECT_EQ(server.stop(), 0);
}

int exit_status(const std::string &arguments, std::string &output) {
    std::string file = "/tmp/ombixd-board-option-" + std::to_string(::getpid());
    int status = std::system(
        (ombix::test::ombixd_path() + " --listen 127.0.0.1:0 " + arguments + " > " + file + " 2>&1").c_str());
    std::ifstream in(file);
    output.assign(std::istreambuf_iterator<char>(in), {});
    std::remove(file.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(OmbixdBoardOption, unusable_boards_and_board_files_stop_ombixd_with_status_2) {
    std::string bad_file = "/tmp/ombixd-bad-board-" + std::to_string(::getpid()) + ".json";
    std::ofstream(bad_file) << R"({"unknown": 1})";
    struct Case {
        std::string arguments;
        const char *message;
    };
    for (const Case &c : {Case{"--board /nonexistent/board.so", "cannot load the board"},
                          Case{"--board libjansson.so.4", "does not export OmbixGetBoardInfo"},
                          Case{"--board linux --board-config " + bad_file, "the board refused"},
                          Case{std::string("--board ") + OMBIX_SIM_BOARD_LIBRARY + " --board-config " + bad_file,
                               "takes no --board-config"},
                          Case{"--board-config " + bad_file, "unknown: unknown member"}}) {
        SCOPED_TRACE(c.arguments);
        std::string output;
        EXPECT_EQ(exit_status(c.arguments, output), 2);
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
    }
    std::remove(bad_file.c_str());
}

}  // namespace
