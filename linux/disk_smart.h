// SMART data of ATA disks through libatasmart.
#ifndef OMBIX_LINUX_DISK_SMART_H
#define OMBIX_LINUX_DISK_SMART_H

#include <string>
#include <vector>

#include "ombix_api.h"

namespace ombix::linux_board {

// The disk's SMART attributes in the drive's order; none for a disk that is
// not ATA, has SMART off, or cannot be opened.
std::vector<SMART_ATTRIBUTE> smart_attributes(const std::string &device);
// The serial number from the drive's IDENTIFY data; "" for a disk that is not ATA.
std::string identify_serial(const std::string &device);

}  // namespace ombix::linux_board

#endif
