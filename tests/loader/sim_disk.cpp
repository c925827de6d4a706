#include "sim_disk.h"

#include <algorithm>

std::vector<uint8_t> SimDisk::Read(uint64_t sector) const {
    auto found = sectors.find(sector);
    if (found == sectors.end()) return std::vector<uint8_t>(bytesPerSector, 0);
    return found->second;
}

void SimDisk::Write(uint64_t sector, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> full(bytesPerSector, 0);
    std::copy_n(data.begin(), std::min<size_t>(data.size(), full.size()), full.begin());
    sectors[sector] = full;
}

void SimDisk::WriteBytes(uint64_t sector, const std::vector<uint8_t> &bytes) {
    for (size_t offset = 0; offset < bytes.size(); offset += bytesPerSector) {
        size_t length = std::min<size_t>(bytesPerSector, bytes.size() - offset);
        Write(sector + offset / bytesPerSector,
              std::vector<uint8_t>(bytes.begin() + static_cast<long>(offset),
                                   bytes.begin() + static_cast<long>(offset + length)));
    }
}

bool SimDisk::ChsToSector(unsigned cylinder, unsigned head, unsigned sector, uint64_t *number) const {
    if (sector < 1 || sector > sectorsPerTrack || head >= heads || cylinder >= cylinders) return false;
    *number = (static_cast<uint64_t>(cylinder) * heads + head) * sectorsPerTrack + sector - 1;
    return true;
}
