// A file system that is really full: a small tmpfs mounted on a folder and
// filled to its last block, so that a write into it fails as on a full disk
// while new names can still be made. Mounting needs root; where it cannot
// be mounted, whyNot() says why and the test skips.
#pragma once

#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "shell.h"

class FullFileSystem {
public:
    // Mounts on mountPoint (made if missing), puts the given files there,
    // then fills what space is left.
    FullFileSystem(const std::filesystem::path &mountPoint,
                   const std::map<std::string, std::vector<unsigned char>> &files)
        : mountPoint_(mountPoint) {
        std::error_code ignored;
        std::filesystem::create_directories(mountPoint, ignored);
        const std::string quoted = shellQuoted(mountPoint.string());
        const CommandResult mount = runCommand("mount -t tmpfs -o size=64k,mode=0777 vxbootdisk-full " + quoted);
        if (mount.status != 0) {
            whyNot_ = "a tmpfs cannot be mounted here: " + mount.output;
            return;
        }
        mounted_ = true;
        for (const auto &file : files)
            writeBytes(mountPoint / file.first, file.second);
        // dd stops with "No space left on device"; what counts is the free space after it.
        runCommand("dd if=/dev/zero of=" + shellQuoted((mountPoint / "filler").string()) + " bs=4096");
        struct statvfs space;
        if (statvfs(mountPoint.c_str(), &space) != 0 || space.f_bavail != 0)
            whyNot_ = "the tmpfs could not be filled";
    }
    ~FullFileSystem() {
        if (mounted_) {
            const std::string quoted = shellQuoted(mountPoint_.string());
            runCommand("umount " + quoted + " || umount -l " + quoted);
        }
    }
    FullFileSystem(const FullFileSystem &) = delete;
    FullFileSystem &operator=(const FullFileSystem &) = delete;

    const std::string &whyNot() const { return whyNot_; }

    // The names in the file system, but for the filler.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(mountPoint_)) {
            if (entry.path().filename() != "filler")
                found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    std::filesystem::path mountPoint_;
    bool mounted_ = false;
    std::string whyNot_;
};
