// The simulated disk: sparse sectors and their CHS addresses.
#include "sim_disk.h"

#include <algorithm>

namespace ombix::bootdisk {

std::vector<uint8_t> SimDisk::read(uint64_t sector) const {
    auto found = sectors.find(sector);
    if (found == sectors.end()) return std::vector<uint8_t>(bytes_per_sector, 0);
    return found->second;
}

void SimDisk::write(uint64_t sector, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> full(bytes_per_sector, 0);
    std::copy_n(data.begin(), std::min<size_t>(data.size(), full.size()), full.begin());
    sectors[sector] = full;
}

void SimDisk::write_bytes(uint64_t sector, const std::vector<uint8_t> &bytes) {
    for (size_t offset = 0; offset < bytes.size(); offset += bytes_per_sector) {
        size_t length = std::min<size_t>(bytes_per_sector, bytes.size() - offset);
        write(sector + offset / bytes_per_sector,
              std::vector<uint8_t>(bytes.begin() + static_cast<long>(offset),
                                   bytes.begin() + static_cast<long>(offset + length)));
    }
}

bool SimDisk::chs_to_sector(unsigned cylinder, unsigned head, unsigned sector, uint64_t *number) const {
    if (sector < 1 || sector > sectors_per_track || head >= heads || cylinder >= cylinders) return false;
    *number = (static_cast<uint64_t>(cylinder) * heads + head) * sectors_per_track + sector - 1;
    return true;
}

}  // namespace ombix::bootdisk
