#include "fake_root.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ombix_linux_board.h"

namespace ombix::linux_test {

namespace fs = std::filesystem;

FakeRoot::FakeRoot() {
    char pattern[] = "/tmp/ombix-fake-root-XXXXXX";
    path_ = ::mkdtemp(pattern);
    file("proc/sys/kernel/random/boot_id", "6f1c7e52-0000-4000-8000-000000000001\n");
}

FakeRoot::~FakeRoot() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void FakeRoot::file(const std::string &relative, const std::string &content) {
    fs::path full = fs::path(path_) / relative;
    fs::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary | std::ios::trunc) << content;
}

void FakeRoot::bytes(const std::string &relative, const std::vector<unsigned char> &content) {
    file(relative, std::string(content.begin(), content.end()));
}

std::string FakeRoot::read(const std::string &relative) const {
    std::ifstream in(fs::path(path_) / relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void FakeRoot::link(const std::string &relative, const std::string &target) {
    fs::path full = fs::path(path_) / relative;
    fs::create_directories(full.parent_path());
    fs::remove(full);
    fs::create_directory_symlink(fs::path(path_) / target, full);
}

void FakeRoot::hwmon(int index, const std::string &device, const std::string &name,
                     const std::map<std::string, std::string> &attributes) {
    std::string hwmon = "hwmon" + std::to_string(index);
    std::string folder = "sys/devices/" + device + "/hwmon/" + hwmon;
    file(folder + "/name", name + "\n");
    for (const auto &a : attributes) file(folder + "/" + a.first, a.second + "\n");
    link(folder + "/device", "sys/devices/" + device);
    link("sys/class/hwmon/" + hwmon, folder);
}

void FakeRoot::i2c_adapter(int number, const std::string &name) {
    file("sys/devices/i2c-" + std::to_string(number) + "/name", name + "\n");
}

void FakeRoot::class_device(const std::string &klass, const std::string &name, const std::string &device,
                            const std::map<std::string, std::string> &attributes) {
    std::string folder = "sys/devices/" + device + "/" + klass + "/" + name;
    for (const auto &a : attributes) file(folder + "/" + a.first, a.second + "\n");
    link("sys/class/" + klass + "/" + name, folder);
}

int configure(const FakeRoot &root, const std::string &board_file_json) {
    std::string board_file;
    if (!board_file_json.empty()) {
        board_file = root.path() + "/board.json";
        std::ofstream(board_file) << board_file_json;
    }
    std::string state = root.path() + "/state";
    OMBIX_LINUX_BOARD_SETTINGS settings{board_file.empty() ? nullptr : board_file.c_str(), state.c_str(),
                                        root.path().c_str()};
    return OmbixLinuxBoardConfigure(&settings);
}

}  // namespace ombix::linux_test
