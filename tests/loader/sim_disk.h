// A disk as the simulated BIOS sees it: sparse sectors, a CHS geometry, and
// the faults a test asks for.
#ifndef OMBIX_TESTS_LOADER_SIM_DISK_H
#define OMBIX_TESTS_LOADER_SIM_DISK_H

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace ombix::bootdisk {

struct DiskGeometry {
    unsigned cylinders, heads, sectors_per_track;
};

// How a BIOS answers the extensions check (INT 13h 41h).
enum class ExtensionsCheck {
    Passes,
    SetsCarry,          // no extensions at all
    KeepsSignature,     // carry clear, but BX not turned into 0xAA55
    LacksPacketAccess,  // signature, but CX bit 0 (the extended read) clear
};

struct SimDisk {
    unsigned bytes_per_sector = 512;
    unsigned cylinders = 80;
    unsigned heads = 2;  // up to 256: the drive parameters then report DH = 255
    unsigned sectors_per_track = 18;
    bool is_floppy = true;
    bool reports_parameters = true;  // INT 13h 08h succeeds
    bool offers_extended_read = false;
    ExtensionsCheck extensions_check = ExtensionsCheck::Passes;  // when offers_extended_read
    // What INT 13h 08h reports instead of the medium's geometry: a drive's
    // own (a 720K disk in a 1.44 MB drive), or {1, 2, 0} for CX = 0.
    std::optional<DiskGeometry> drive_geometry;
    std::set<uint64_t> failing_sectors;                // reads of these always fail
    std::map<uint64_t, int> failures_left;             // reads of these fail this many times first
    std::map<uint64_t, std::vector<uint8_t>> sectors;  // absent sectors read as zeros

    std::vector<uint8_t> read(uint64_t sector) const;
    void write(uint64_t sector, const std::vector<uint8_t> &data);
    // Writes any number of bytes from the start of a sector on.
    void write_bytes(uint64_t sector, const std::vector<uint8_t> &bytes);
    bool chs_to_sector(unsigned cylinder, unsigned head, unsigned sector, uint64_t *number) const;
};

}  // namespace ombix::bootdisk

#endif
