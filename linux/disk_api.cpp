// Disk drives, their partitions and SMART attributes. Disks are read at
// each call, so a disk plugged in later is served at once; numbers follow
// the disks' places under /sys/devices. Sizes and free space in MiB.
#include <algorithm>

#include "call.h"
#include "disk_scan.h"
#include "disk_smart.h"

using namespace ombix::linux_board;

namespace {

// A list call's count: 0 to 512 records the caller provides.
bool valid_list(const void *records, int32_t count) {
    return count >= 0 && (records != nullptr || count == 0);
}

std::int32_t list_size(std::size_t size) {
    return static_cast<std::int32_t>(std::min<std::size_t>(size, INT32_MAX));
}

}  // namespace

extern "C" {

int32_t OmbixGetDiskDriveCount(int32_t, int32_t *diskDriveCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (diskDriveCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *diskDriveCount = list_size(list_disks(board).size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetDiskDriveList(int32_t, DISK_DRIVE *diskDrives, int32_t diskDriveCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (!valid_list(diskDrives, diskDriveCount)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<Disk> disks = list_disks(board);
        for (std::size_t i = 0; i < disks.size() && i < static_cast<std::size_t>(diskDriveCount); ++i) {
            DISK_DRIVE &d = diskDrives[i];
            set_text(d.name, disks[i].name);
            set_text(d.model, disk_model(disks[i]));
            std::string serial = disk_serial(disks[i]);
            set_text(d.diskSerialNumber, serial.empty() ? identify_serial(disks[i].device) : serial);
            d.size = size_in_mib(disks[i].sysfs);
        }
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetDiskDrivePartitionCount(int32_t, int32_t *diskPartitionCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (diskPartitionCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *diskPartitionCount = list_size(list_partitions(board, list_disks(board)).size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetDiskDrivePartitionList(int32_t, DISK_PARTITION *pDiskPartitionData, int32_t diskPartitionCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (!valid_list(pDiskPartitionData, diskPartitionCount)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<Partition> partitions = list_partitions(board, list_disks(board));
        for (std::size_t i = 0; i < partitions.size() && i < static_cast<std::size_t>(diskPartitionCount); ++i) {
            DISK_PARTITION &p = pDiskPartitionData[i];
            set_text(p.name, partitions[i].name);
            set_text(p.fsType, file_system_type(board, partitions[i]));
            p.partitionSize = size_in_mib(partitions[i].sysfs);
            p.freeSpace = free_space_in_mib(board, partitions[i]);
        }
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetDiskDriveSMARTAttrCount(int32_t, int32_t diskNr, int32_t *attrCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (attrCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<Disk> disks = list_disks(board);
        if (!valid_index(diskNr, disks.size())) return OMBIX_LINUX_RC_NO_DEVICE;
        *attrCount = list_size(smart_attributes(disks[static_cast<std::size_t>(diskNr)].device).size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetDiskDriveSMARTAttrs(int32_t, int32_t diskNr, SMART_ATTRIBUTE *attrs, int32_t attrCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (!valid_list(attrs, attrCount)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        std::vector<Disk> disks = list_disks(board);
        if (!valid_index(diskNr, disks.size())) return OMBIX_LINUX_RC_NO_DEVICE;
        std::vector<SMART_ATTRIBUTE> found = smart_attributes(disks[static_cast<std::size_t>(diskNr)].device);
        std::copy_n(found.begin(), std::min(found.size(), static_cast<std::size_t>(attrCount)), attrs);
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
