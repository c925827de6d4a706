// A file system that is really full: a small tmpfs mounted on a folder and
// filled to its last block, so that a write into it fails as on a full disk
// while new names can still be made. Mounting needs root; where it cannot
// be mounted, why_not() says why and the test skips.
#ifndef OMBIX_TESTS_BOOTDISK_FULL_FILE_SYSTEM_H
#define OMBIX_TESTS_BOOTDISK_FULL_FILE_SYSTEM_H

#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "shell.h"

namespace ombix::bootdisk {

class FullFileSystem {
public:
    // Mounts on mount_point (made if missing), puts the given files there,
    // then fills what space is left.
    FullFileSystem(const std::filesystem::path &mount_point,
                   const std::map<std::string, std::vector<unsigned char>> &files)
        : mount_point_(mount_point) {
        std::error_code ignored;
        std::filesystem::create_directories(mount_point, ignored);
        const std::string quoted = shell_quoted(mount_point.string());
        const CommandResult mount = run_command("mount -t tmpfs -o size=64k,mode=0777 vxbootdisk-full " + quoted);
        if (mount.status != 0) {
            why_not_ = "a tmpfs cannot be mounted here: " + mount.output;
            return;
        }
        mounted_ = true;
        for (const auto &file : files) write_bytes(mount_point / file.first, file.second);
        // dd stops with "No space left on device"; what counts is the free space after it.
        run_command("dd if=/dev/zero of=" + shell_quoted((mount_point / "filler").string()) + " bs=4096");
        struct statvfs space;
        if (statvfs(mount_point.c_str(), &space) != 0 || space.f_bavail != 0)
            why_not_ = "the tmpfs could not be filled";
    }
    ~FullFileSystem() {
        if (mounted_) {
            const std::string quoted = shell_quoted(mount_point_.string());
            run_command("umount " + quoted + " || umount -l " + quoted);
        }
    }
    FullFileSystem(const FullFileSystem &) = delete;
    FullFileSystem &operator=(const FullFileSystem &) = delete;

    const std::string &why_not() const { return why_not_; }

    // The names in the file system, but for the filler.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(mount_point_)) {
            if (entry.path().filename() != "filler") found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    std::filesystem::path mount_point_;
    bool mounted_ = false;
    std::string why_not_;
};

}  // namespace ombix::bootdisk

#endif
