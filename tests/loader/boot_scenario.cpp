// Booting a scenario's volume, and the reads a boot must make.
#include "boot_scenario.h"

namespace ombix::bootdisk {

LoaderRun BootScenario::boot() {
    if (with_boot_file)
        volume.entries.push_back(
            FatVolume::Entry{kBootFileName, cluster, static_cast<uint32_t>(file.size()), entry_index});
    volume.write_to(disk);
    if (with_boot_file) disk.write_bytes(volume.cluster_sector(cluster), file);
    std::map<uint8_t, SimDisk> disks{{drive, disk}};
    LoaderRun run = boot_loader(disks, drive, volume.bpb.hidden_sectors, bios);
    disk = disks.at(drive);
    return run;
}

std::vector<uint64_t> expected_reads(const FatVolume &volume, unsigned entry_index, uint16_t cluster,
                                     uint32_t file_size) {
    std::vector<uint64_t> reads;
    const unsigned entries_per_sector = volume.bpb.bytes_per_sector / volume.entry_size();
    for (unsigned sector = 0; sector <= entry_index / entries_per_sector; ++sector)
        reads.push_back(volume.root_directory_start() + sector);
    const uint32_t count = file_size / volume.bpb.bytes_per_sector + 1;
    for (uint32_t i = 0; i < count; ++i) reads.push_back(volume.cluster_sector(cluster) + i);
    return reads;
}

}  // namespace ombix::bootdisk
