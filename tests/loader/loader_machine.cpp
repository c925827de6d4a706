// The emulated PC of the loader tests: memory, our BIOS and the ports.
#include "loader_machine.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <iterator>

namespace ombix::bootdisk {

namespace {

constexpr uint32_t kMemorySize = 1u << 20;
constexpr uint32_t kBootAddress = 0x7C00;
constexpr uint32_t kBootFileAddress = 0x8000;
constexpr uint64_t kInstructionBudget = 20000000;
constexpr uint32_t kCarryFlag = 1u << 0;

struct Machine {
    uc_engine *uc = nullptr;
    std::map<uint8_t, SimDisk> *disks = nullptr;
    BiosQuirks quirks;
    bool started = false;
    LoaderRun run;
};

uint16_t read_reg(uc_engine *uc, int reg) {
    uint16_t value = 0;
    uc_reg_read(uc, reg, &value);
    return value;
}

void write_reg(uc_engine *uc, int reg, uint16_t value) {
    uc_reg_write(uc, reg, &value);
}

void set_carry(uc_engine *uc, bool carry) {
    uint32_t flags = 0;
    uc_reg_read(uc, UC_X86_REG_EFLAGS, &flags);
    flags = carry ? (flags | kCarryFlag) : (flags & ~kCarryFlag);
    uc_reg_write(uc, UC_X86_REG_EFLAGS, &flags);
}

// Ends a disk call: AH = status, carry set on failure.
void finish_disk_call(uc_engine *uc, uint8_t status) {
    uint16_t ax = read_reg(uc, UC_X86_REG_AX);
    write_reg(uc, UC_X86_REG_AX, static_cast<uint16_t>((ax & 0x00FF) | (status << 8)));
    set_carry(uc, status != 0);
}

// Reads `number` of `disk` into memory, honouring the faults the test set.
bool read_into_memory(uc_engine *uc, SimDisk &disk, uint64_t number, uint16_t segment, uint16_t offset) {
    if (disk.failing_sectors.count(number)) return false;
    auto transient = disk.failures_left.find(number);
    if (transient != disk.failures_left.end() && transient->second > 0) {
        --transient->second;
        return false;
    }
    std::vector<uint8_t> data = disk.read(number);
    uint32_t address = static_cast<uint32_t>(segment) * 16 + offset;
    if (address + data.size() > kMemorySize) return false;
    uc_mem_write(uc, address, data.data(), data.size());
    return true;
}

void disk_service(Machine &machine) {
    uc_engine *uc = machine.uc;
    uint16_t ax = read_reg(uc, UC_X86_REG_AX);
    uint16_t cx = read_reg(uc, UC_X86_REG_CX);
    uint16_t dx = read_reg(uc, UC_X86_REG_DX);
    DiskCall call;
    call.function = static_cast<uint8_t>(ax >> 8);
    call.drive = static_cast<uint8_t>(dx & 0xFF);
    auto found = machine.disks->find(call.drive);
    if (found == machine.disks->end()) {
        call.failed = true;
        machine.run.disk_calls.push_back(call);
        finish_disk_call(uc, 0x01);
        return;
    }
    SimDisk &disk = found->second;
    switch (call.function) {
        case 0x00: finish_disk_call(uc, 0); break;
        case 0x02: {
            call.count = ax & 0xFF;
            call.cylinder = (cx >> 8) | ((cx & 0xC0) << 2);
            call.sector = cx & 0x3F;
            call.head = dx >> 8;
            call.segment = read_reg(uc, UC_X86_REG_ES);
            call.offset = read_reg(uc, UC_X86_REG_BX);
            uint64_t number = 0;
            bool ok = call.count == 1 && disk.chs_to_sector(call.cylinder, call.head, call.sector, &number) &&
                      read_into_memory(uc, disk, number, call.segment, call.offset);
            call.failed = !ok;
            finish_disk_call(uc, ok ? 0 : 0x04);
            break;
        }
        case 0x08:
            if (!disk.reports_parameters) {
                call.failed = true;
                finish_disk_call(uc, 0x01);
                break;
            }
            {
                DiskGeometry reported =
                    disk.drive_geometry.value_or(DiskGeometry{disk.cylinders, disk.heads, disk.sectors_per_track});
                unsigned max_cylinder = reported.cylinders - 1;
                write_reg(uc, UC_X86_REG_CX,
                          static_cast<uint16_t>(((max_cylinder & 0xFF) << 8) | ((max_cylinder >> 8) << 6) |
                                                reported.sectors_per_track));
                write_reg(uc, UC_X86_REG_DX, static_cast<uint16_t>(((reported.heads - 1) << 8) | 1));
                write_reg(uc, UC_X86_REG_BX, disk.is_floppy ? 4 : 0);
                write_reg(uc, UC_X86_REG_ES, 0xF000);
                write_reg(uc, UC_X86_REG_DI, 0xEFC7);
                finish_disk_call(uc, 0);
            }
            break;
        case 0x41: {
            ExtensionsCheck check = disk.offers_extended_read ? disk.extensions_check : ExtensionsCheck::SetsCarry;
            if (check == ExtensionsCheck::SetsCarry || read_reg(uc, UC_X86_REG_BX) != 0x55AA) {
                call.failed = true;
                finish_disk_call(uc, 0x01);
                break;
            }
            if (check != ExtensionsCheck::KeepsSignature) write_reg(uc, UC_X86_REG_BX, 0xAA55);
            write_reg(uc, UC_X86_REG_CX, check == ExtensionsCheck::LacksPacketAccess ? 0x0006 : 0x0001);
            finish_disk_call(uc, 0);
            write_reg(uc, UC_X86_REG_AX, 0x2100);
            break;
        }
        case 0x42: {
            uint8_t packet[16] = {};
            uint32_t packet_address =
                static_cast<uint32_t>(read_reg(uc, UC_X86_REG_DS)) * 16 + read_reg(uc, UC_X86_REG_SI);
            uc_mem_read(uc, packet_address, packet, sizeof packet);
            call.count = packet[2] | (packet[3] << 8);
            call.offset = static_cast<uint16_t>(packet[4] | (packet[5] << 8));
            call.segment = static_cast<uint16_t>(packet[6] | (packet[7] << 8));
            for (int i = 7; i >= 0; --i) call.extended_sector = (call.extended_sector << 8) | packet[8 + i];
            bool ok = disk.offers_extended_read && packet[0] == 16 && call.count == 1 &&
                      read_into_memory(uc, disk, call.extended_sector, call.segment, call.offset);
            call.failed = !ok;
            finish_disk_call(uc, ok ? 0 : 0x04);
            break;
        }
        default:
            machine.run.faults.push_back("INT 13h function " + std::to_string(call.function));
            call.failed = true;
            finish_disk_call(uc, 0x01);
    }
    machine.run.disk_calls.push_back(call);
}

// A BIOS on the caller's stack: the interrupt frame and the BIOS's own
// pushes land below SS:SP, wrapping within the segment as the CPU does.
void use_callers_stack(uc_engine *uc, uint16_t bytes) {
    uint32_t base = static_cast<uint32_t>(read_reg(uc, UC_X86_REG_SS)) * 16;
    uint16_t sp = read_reg(uc, UC_X86_REG_SP);
    for (uint16_t i = 1; i <= bytes; ++i) {
        uint8_t garbage = static_cast<uint8_t>(0xC3 ^ i);
        uc_mem_write(uc, base + static_cast<uint16_t>(sp - i), &garbage, 1);
    }
}

// Changes what a BIOS need not keep: SI, DI, BP, DL unless the call
// returns something in them, and the upper halves of the 32-bit registers.
void clobber_registers(uc_engine *uc, bool returns_dl_and_di) {
    const int wide[] = {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX,
                        UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP, UC_X86_REG_ESP};
    for (int reg : wide) {
        uint32_t value = 0;
        uc_reg_read(uc, reg, &value);
        value = (value & 0xFFFF) | 0xBAD00000u | static_cast<uint32_t>(reg) << 16;
        uc_reg_write(uc, reg, &value);
    }
    write_reg(uc, UC_X86_REG_SI, 0x51E5);
    write_reg(uc, UC_X86_REG_BP, 0xB0B0);
    if (!returns_dl_and_di) {
        write_reg(uc, UC_X86_REG_DI, 0xD1D1);
        write_reg(uc, UC_X86_REG_DX, static_cast<uint16_t>((read_reg(uc, UC_X86_REG_DX) & 0xFF00) | 0xDD));
    }
}

void on_interrupt(uc_engine *uc, uint32_t number, void *user) {
    Machine &machine = *static_cast<Machine *>(user);
    uint16_t ax = read_reg(uc, UC_X86_REG_AX);
    if (machine.quirks.stack_bytes_used) use_callers_stack(uc, machine.quirks.stack_bytes_used);
    if (number == 0x13) {
        disk_service(machine);
    } else if (number == 0x10 && (ax >> 8) == 0x0E) {
        machine.run.screen.push_back(static_cast<char>(ax & 0xFF));
        machine.run.teletype_bx.push_back(read_reg(uc, UC_X86_REG_BX));
    } else {
        machine.run.faults.push_back("interrupt " + std::to_string(number) + " with AX " + std::to_string(ax));
        uc_emu_stop(uc);
        return;
    }
    if (machine.quirks.clobbers_registers) clobber_registers(uc, number == 0x13 && (ax >> 8) == 0x08);
}

void on_out(uc_engine *, uint32_t port, int, uint32_t value, void *user) {
    static_cast<Machine *>(user)->run.port_writes.push_back(
        PortWrite{static_cast<uint16_t>(port), static_cast<uint8_t>(value)});
}

void on_code(uc_engine *uc, uint64_t address, uint32_t, void *user) {
    Machine &machine = *static_cast<Machine *>(user);
    if (!machine.started) {
        machine.started = true;
        machine.run.entry_cs = read_reg(uc, UC_X86_REG_CS);
        machine.run.entry_ip = static_cast<uint16_t>(address - machine.run.entry_cs * 16u);
    }
    if (address == kBootFileAddress) {
        machine.run.outcome = LoaderOutcome::JumpedToBootFile;
        machine.run.cs = read_reg(uc, UC_X86_REG_CS);
        // The emulator hands hooks the linear address; IP follows from CS.
        machine.run.ip = static_cast<uint16_t>(address - machine.run.cs * 16u);
        machine.run.dl = read_reg(uc, UC_X86_REG_DX) & 0xFF;
        uc_emu_stop(uc);
        return;
    }
    uint8_t code[2] = {};
    uc_mem_read(uc, address, code, sizeof code);
    if (code[0] == 0xEB && code[1] == 0xFE) {  // a jump to itself: the loader's stop
        machine.run.outcome = LoaderOutcome::Stopped;
        uc_emu_stop(uc);
    }
}

}  // namespace

std::ostream &operator<<(std::ostream &out, LoaderOutcome outcome) {
    switch (outcome) {
        case LoaderOutcome::JumpedToBootFile: return out << "jumped to the boot file";
        case LoaderOutcome::Stopped: return out << "stopped";
        case LoaderOutcome::RanAway: return out << "ran away";
    }
    return out << "outcome " << static_cast<int>(outcome);
}

std::vector<uint8_t> LoaderRun::bytes(uint32_t address, size_t length) const {
    if (address + length > memory.size()) return {};
    return std::vector<uint8_t>(memory.begin() + address, memory.begin() + address + static_cast<long>(length));
}

uint16_t LoaderRun::word(uint32_t address) const {
    return static_cast<uint16_t>(memory.at(address) | (memory.at(address + 1) << 8));
}

std::vector<DiskCall> LoaderRun::reads() const {
    std::vector<DiskCall> reads;
    std::copy_if(disk_calls.begin(), disk_calls.end(), std::back_inserter(reads),
                 [](const DiskCall &call) { return call.function == 0x02 || call.function == 0x42; });
    return reads;
}

LoaderRun boot_loader(std::map<uint8_t, SimDisk> &disks, uint8_t drive, uint64_t boot_sector,
                      const BiosQuirks &quirks) {
    Machine machine;
    machine.disks = &disks;
    machine.quirks = quirks;
    if (uc_open(UC_ARCH_X86, UC_MODE_16, &machine.uc) != UC_ERR_OK) {
        machine.run.faults.push_back("no x86 emulator");
        return machine.run;
    }
    uc_engine *uc = machine.uc;
    uc_mem_map(uc, 0, kMemorySize, UC_PROT_ALL);
    std::vector<uint8_t> sector = disks.at(drive).read(boot_sector);
    uc_mem_write(uc, kBootAddress, sector.data(), sector.size());

    // The state a BIOS leaves: CS:IP = 0000:7C00 and DS = 0 unless the test
    // asks otherwise, other segments and the stack somewhere else, so that
    // the loader must set them itself. The emulator starts at a linear
    // address and takes IP from it and CS.
    write_reg(uc, UC_X86_REG_CS, quirks.entry_segment);
    write_reg(uc, UC_X86_REG_DS, quirks.entry_ds);
    write_reg(uc, UC_X86_REG_ES, 0x1234);
    write_reg(uc, UC_X86_REG_SS, 0x0030);
    write_reg(uc, UC_X86_REG_SP, 0x0100);
    write_reg(uc, UC_X86_REG_DX, drive);

    uc_hook interrupt_hook, out_hook, code_hook;
    uc_hook_add(uc, &interrupt_hook, UC_HOOK_INTR, reinterpret_cast<void *>(on_interrupt), &machine, 1, 0);
    uc_hook_add(uc, &out_hook, UC_HOOK_INSN, reinterpret_cast<void *>(on_out), &machine, 1, 0, UC_X86_INS_OUT);
    uc_hook_add(uc, &code_hook, UC_HOOK_CODE, reinterpret_cast<void *>(on_code), &machine, 1, 0);

    uc_err error = uc_emu_start(uc, kBootAddress, kMemorySize, 0, kInstructionBudget);
    if (error != UC_ERR_OK) machine.run.faults.push_back(std::string("emulator: ") + uc_strerror(error));

    machine.run.memory.resize(kMemorySize);
    uc_mem_read(uc, 0, machine.run.memory.data(), kMemorySize);
    uc_close(uc);
    return machine.run;
}

}  // namespace ombix::bootdisk
