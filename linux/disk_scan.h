// Disks and their partitions as the kernel shows them under /sys/block,
// read at each call (disks come and go), in stable order.
#ifndef OMBIX_LINUX_DISK_SCAN_H
#define OMBIX_LINUX_DISK_SCAN_H

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

namespace ombix::linux_board {

struct Disk {
    std::string name;    // the kernel's name: "sda", "nvme0n1"
    std::string sysfs;   // /sys/block/<name> below the root
    std::string device;  // /dev/<name> below the root
};

struct Partition {
    std::string name;  // "sda1"
    std::string sysfs;
    std::string device;
};

// Whole disks ordered by their place under /sys/devices; loop, ram and zram
// devices only when the board file asks for them.
std::vector<Disk> list_disks(const Board &board);
// The partitions of every disk, disk by disk, each disk's by partition number.
std::vector<Partition> list_partitions(const Board &board, const std::vector<Disk> &disks);

// A block device's size (sysfs "size", 512-byte sectors) in MiB; 0 when unreadable.
std::uint32_t size_in_mib(const std::string &sysfs);
// The file system type libblkid finds on the device, else the type it is mounted with, else "".
std::string file_system_type(const Board &board, const Partition &partition);
// Free space in MiB for an unprivileged user where the partition is mounted; 0 when it is not.
std::uint32_t free_space_in_mib(const Board &board, const Partition &partition);

// The model and serial number of a disk from sysfs ("" where it has none).
std::string disk_model(const Disk &disk);
std::string disk_serial(const Disk &disk);

// The first mount of a device ("8:1") in a mountinfo text: mount point and
// file system type; empty strings when it is not mounted.
struct Mount {
    std::string point;
    std::string type;
};
Mount find_mount(const std::string &mountinfo, const std::string &device_number);

}  // namespace ombix::linux_board

#endif
