#include "boot_scenario.h"

LoaderRun BootScenario::Boot() {
    if (withBootFile) volume.entries.push_back(FatVolume::Entry{kBootFileName, cluster, static_cast<uint32_t>(file.size()), entryIndex});
    volume.WriteTo(disk);
    if (withBootFile) disk.WriteBytes(volume.ClusterSector(cluster), file);
    std::map<uint8_t, SimDisk> disks{{drive, disk}};
    LoaderRun run = BootLoader(disks, drive, volume.hiddenSectors, bios);
    disk = disks.at(drive);
    return run;
}

std::vector<uint64_t> ExpectedReads(const FatVolume &volume, unsigned entryIndex, uint16_t cluster,
                                    uint32_t fileSize) {
    std::vector<uint64_t> reads;
    unsigned entriesPerSector = volume.bytesPerSector / volume.EntrySize();
    for (unsigned sector = 0; sector <= entryIndex / entriesPerSector; ++sector)
        reads.push_back(volume.RootDirectoryStart() + sector);
    uint32_t count = fileSize / volume.bytesPerSector + 1;
    for (uint32_t i = 0; i < count; ++i) reads.push_back(volume.ClusterSector(cluster) + i);
    return reads;
}
