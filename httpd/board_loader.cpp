#include "board_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "call_names.h"
#include "local_api_setup.h"

namespace ombixd {
namespace {

// The settings the Linux board's configuration entry takes (ombix_linux_board.h).
struct LinuxBoardSettings {
    const char *boardFile;
    const char *stateDirectory;
    const char *rootPrefix;
};
using Configure = std::int32_t (*)(const LinuxBoardSettings *);

std::string program_folder() {
    std::vector<char> path(4096);
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) return "";
    std::string program(path.data(), static_cast<std::size_t>(n));
    return program.substr(0, program.find_last_of('/'));
}

// A library of the project: beside an installed ombixd (../lib), else in the build tree.
std::string project_library(const char *file, const char *in_build_tree) {
    std::string installed = program_folder() + "/" OMBIXD_LIBDIR_FROM_BINDIR "/" + file;
    if (::access(installed.c_str(), R_OK) == 0) return installed;
    return in_build_tree;
}

// The loaded board, whose functions the scrape calls directly.
void *loaded_board = nullptr;

void *loaded_board_function(const char *name) {
    return dlsym(loaded_board, name);
}

std::string loader_error() {
    const char *message = dlerror();
    return message != nullptr ? message : "unknown dlopen failure";
}

}  // namespace

bool load_board(const std::string &board, const std::string &board_config, LocalApi &api, std::string &error) {
    if (board == "sim") {
        if (!board_config.empty() && !configure_linked_board(board_config, error)) return false;
        api = linked_local_api();
        return true;
    }
    std::string path =
        board == "linux" ? project_library("libombixLinuxBoard.so.1", OMBIXD_LINUX_BOARD_IN_BUILD_TREE) : board;
    // Global, so that the executor loaded next binds its board calls to it.
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (library == nullptr) {
        error = "cannot load the board " + path + ": " + loader_error();
        return false;
    }
    for (std::size_t i = 0; i < kCallCount; ++i) {
        if (dlsym(library, kCallNames[i]) == nullptr) {
            error = "the board " + path + " does not export " + kCallNames[i];
            return false;
        }
    }
    if (!board_config.empty()) {
        auto configure = reinterpret_cast<Configure>(dlsym(library, "OmbixLinuxBoardConfigure"));
        if (configure == nullptr) {
            error = "the board " + path + " takes no --board-config";
            return false;
        }
        LinuxBoardSettings settings{board_config.c_str(), nullptr, nullptr};
        if (std::int32_t code = configure(&settings)) {
            error = "the board refused " + board_config + " (code 0x" + [code] {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(code));
                return std::string(hex);
            }() + ")";
            return false;
        }
    }
    std::string executor_path = project_library("libombixLocalWrap.so.1", OMBIXD_EXECUTOR_IN_BUILD_TREE);
    void *executor = dlopen(executor_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (executor == nullptr) {
        error = "cannot load the executor " + executor_path + ": " + loader_error();
        return false;
    }
    auto execute_name = reinterpret_cast<json_t *(*)(const char *, json_t *)>(dlsym(executor, "ombixExecuteName"));
    if (execute_name == nullptr) {
        error = "the executor " + executor_path + " does not export ombixExecuteName";
        return false;
    }
    auto thread_safe = static_cast<const std::int32_t *>(dlsym(library, "OmbixApiThreadSafe"));
    loaded_board = library;
    api = LocalApi{execute_name, thread_safe != nullptr && *thread_safe != 0, loaded_board_function};
    return true;
}

}  // namespace ombixd
