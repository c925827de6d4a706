// Disks from /sys/block, partitions from their sysfs folders, file system
// types through libblkid and free space through statvfs where
// /proc/self/mountinfo says a partition is mounted.
#include "disk_scan.h"

#include <blkid/blkid.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "sysfs.h"

namespace ombix::linux_board {
namespace {

bool starts_with(const std::string &text, const char *prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool is_virtual(const std::string &name) {
    return starts_with(name, "loop") || starts_with(name, "ram") || starts_with(name, "zram");
}

std::string trimmed(const std::string &text) {
    std::size_t first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

// Undoes mountinfo's octal escapes of space, tab, newline and backslash.
std::string unescaped(const std::string &field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The device node of a block device: sysfs writes the "/" of names such as
// "cciss/c0d0" as "!".
std::string device_node(const Board &board, std::string name) {
    std::replace(name.begin(), name.end(), '!', '/');
    return board.path("/dev/" + name);
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<Disk> list_disks(const Board &board) {
    const std::string folder = board.path("/sys/block");
    std::vector<std::pair<std::string, Disk>> found;
    for (const std::string &name : list_folder(folder)) {
        if (is_virtual(name) && !board.file.virtual_disks) continue;
        Disk disk{name, folder + "/" + name, device_node(board, name)};
        found.emplace_back(stable_key(resolved(disk.sysfs)), disk);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<Disk> disks;
    for (auto &f : found) disks.push_back(f.second);
    return disks;
}

std::vector<Partition> list_partitions(const Board &board, const std::vector<Disk> &disks) {
    std::vector<Partition> partitions;
    for (const Disk &disk : disks) {
        std::vector<std::pair<std::int64_t, Partition>> found;
        for (const std::string &name : list_folder(disk.sysfs)) {
            std::string sysfs = disk.sysfs + "/" + name;
            auto number = read_integer(sysfs + "/partition");
            if (!number) continue;
            found.emplace_back(*number, Partition{name, sysfs, device_node(board, name)});
        }
        std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (auto &f : found) partitions.push_back(f.second);
    }
    return partitions;
}

std::uint32_t size_in_mib(const std::string &sysfs) {
    auto sectors = read_integer(sysfs + "/size");
    if (!sectors || *sectors < 0) return 0;
    std::int64_t mib = *sectors / 2048;
    return mib > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(mib);
}

Mount find_mount(const std::string &mountinfo, const std::string &device_number) {
    std::istringstream lines(mountinfo);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, number, root, point;
        if (!(fields >> id >> parent >> number >> root >> point) || number != device_number) continue;
        // Optional fields end at "-"; the file system type follows.
        std::string field, type;
        while (fields >> field && field != "-") {
        }
        fields >> type;
        return Mount{unescaped(point), type};
    }
    return Mount{};
}

namespace {

Mount mount_of(const Board &board, const Partition &partition) {
    auto number = read_text(partition.sysfs + "/dev");
    if (!number) return Mount{};
    return find_mount(read_file(board.path("/proc/self/mountinfo")), trimmed(*number));
}

}  // namespace

std::string file_system_type(const Board &board, const Partition &partition) {
    std::string type;
    if (blkid_probe probe = blkid_new_probe_from_filename(partition.device.c_str())) {
        blkid_probe_enable_superblocks(probe, 1);
        blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE);
        const char *value = nullptr;
        if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "TYPE", &value, nullptr) == 0 &&
            value != nullptr)
            type = value;
        blkid_free_probe(probe);
    }
    // A process that may not read the device still sees how it is mounted.
    if (type.empty()) type = mount_of(board, partition).type;
    return type;
}

std::uint32_t free_space_in_mib(const Board &board, const Partition &partition) {
    Mount mount = mount_of(board, partition);
    if (mount.point.empty()) return 0;
    struct statvfs info;
    if (::statvfs(board.path(mount.point).c_str(), &info) != 0) return 0;
    std::uint64_t mib = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize / (1024 * 1024);
    return mib > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(mib);
}

std::string disk_model(const Disk &disk) {
    for (const char *attribute : {"/device/model", "/device/name"}) {
        auto text = read_text(disk.sysfs + attribute);
        if (text && !trimmed(*text).empty()) return trimmed(*text);
    }
    return "";
}

std::string disk_serial(const Disk &disk) {
    for (const char *attribute : {"/device/serial", "/serial"}) {
        auto text = read_text(disk.sysfs + attribute);
        if (text && !trimmed(*text).empty()) return trimmed(*text);
    }
    // SCSI and ATA disks: the unit serial number page of the INQUIRY data
    // (a 4-byte header whose last two bytes give the length).
    std::string page = read_file(disk.sysfs + "/device/vpd_pg80");
    if (page.size() > 4 && static_cast<unsigned char>(page[1]) == 0x80) {
        std::size_t length = (static_cast<unsigned char>(page[2]) << 8) | static_cast<unsigned char>(page[3]);
        return trimmed(page.substr(4, std::min(length, page.size() - 4)));
    }
    return "";
}

}  // namespace ombix::linux_board
