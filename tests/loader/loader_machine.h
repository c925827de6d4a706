// A PC reduced to what the boot sector loader meets: 1 MiB of real-mode
// memory in an x86 emulator, a BIOS of our own for INT 13h (functions 00h,
// 02h, 08h, 41h, 42h) and INT 10h (0Eh), and the I/O ports. By default the
// BIOS is ideal; BiosQuirks make it behave as real ones may.
#ifndef OMBIX_TESTS_LOADER_LOADER_MACHINE_H
#define OMBIX_TESTS_LOADER_LOADER_MACHINE_H

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "sim_disk.h"

namespace ombix::bootdisk {

struct DiskCall {
    uint8_t function = 0;
    uint8_t drive = 0;
    // Read one sector by CHS (02h): the address as the loader put it in CX, DH.
    unsigned cylinder = 0, head = 0, sector = 0, count = 0;
    // Extended read (42h): the sector number of the address packet.
    uint64_t extended_sector = 0;
    uint16_t segment = 0, offset = 0;  // destination of a read
    bool failed = false;
};

struct PortWrite {
    uint16_t port;
    uint8_t value;
};

// What real BIOSes do that an ideal one does not. The loader must boot
// under every combination.
struct BiosQuirks {
    // The entry: some BIOSes jump to 07C0:0000 instead of 0000:7C00, and
    // leave DS at the BIOS data segment 0x40.
    uint16_t entry_segment = 0;
    uint16_t entry_ds = 0;
    // Every call returns with SI, DI, BP, DL (unless DL is a result) and the
    // upper halves of the eight 32-bit registers changed.
    bool clobbers_registers = false;
    // Every call overwrites this many bytes below the caller's SP, as a BIOS
    // running on the caller's stack does.
    uint16_t stack_bytes_used = 0;
};

enum class LoaderOutcome { JumpedToBootFile, Stopped, RanAway };
std::ostream &operator<<(std::ostream &out, LoaderOutcome outcome);

struct LoaderRun {
    LoaderOutcome outcome = LoaderOutcome::RanAway;
    std::string screen;                 // teletype output
    std::vector<uint16_t> teletype_bx;  // BX of every INT 10h call
    std::vector<DiskCall> disk_calls;
    std::vector<PortWrite> port_writes;
    std::vector<std::string> faults;      // what the loader did that no BIOS serves
    uint16_t entry_cs = 0, entry_ip = 0;  // of the first instruction
    uint16_t cs = 0, ip = 0, dl = 0;      // at the jump
    std::vector<uint8_t> memory;          // the first 1 MiB when the run ended

    std::vector<uint8_t> bytes(uint32_t address, size_t length) const;
    uint16_t word(uint32_t address) const;
    std::vector<DiskCall> reads() const;  // the 02h and 42h calls
};

// Boots `drive` of `disks`: its sector 0 is loaded to 0000:7C00 as a BIOS
// would, then the loader runs until it enters 0800:0000, stops in its
// endless loop, or exceeds an instruction budget.
LoaderRun boot_loader(std::map<uint8_t, SimDisk> &disks, uint8_t drive, uint64_t boot_sector = 0,
                      const BiosQuirks &quirks = BiosQuirks());

}  // namespace ombix::bootdisk

#endif
