// Memory: totals from /proc/meminfo, modules from SMBIOS memory device
// structures (type 17); sizes in MB.
#include <sstream>

#include "call.h"
#include "smbios.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

// Installed modules only (a size of 0 is an empty slot).
std::vector<SmbiosStructure> memory_modules(const Board &board, int *error = nullptr) {
    std::vector<SmbiosStructure> modules;
    for (SmbiosStructure &s : read_smbios(board.root, 17, error)) {
        auto size = s.word(0x0C);
        if (size && *size != 0) modules.push_back(std::move(s));
    }
    return modules;
}

// The module's size in MB, -1 when SMBIOS says it is unknown.
std::int64_t module_megabytes(const SmbiosStructure &module) {
    std::uint16_t size = module.word(0x0C).value_or(0xFFFF);
    if (size == 0xFFFF) return -1;
    if (size == 0x7FFF) {
        auto extended = module.dword(0x1C);
        return extended ? static_cast<std::int64_t>(*extended & 0x7FFFFFFF) : -1;
    }
    if (size & 0x8000) return (size & 0x7FFF) / 1024;  // given in KB
    return size;
}

const char *memory_type_name(std::uint8_t type) {
    static const char *const kNames[] = {
        nullptr, "Other", "Unknown", "DRAM",   "EDRAM",        "VRAM",   "SRAM",   "RAM",
        "ROM",   "FLASH", "EEPROM",  "FEPROM", "EPROM",        "CDRAM",  "3DRAM",  "SDRAM",
        "SGRAM", "RDRAM", "DDR",     "DDR2",   "DDR2 FB-DIMM", nullptr,  nullptr,  nullptr,
        "DDR3",  "FBD2",  "DDR4",    "LPDDR",  "LPDDR2",       "LPDDR3", "LPDDR4", "Logical non-volatile device",
        "HBM",   "HBM2",  "DDR5",    "LPDDR5", "HBM3"};
    return type < sizeof kNames / sizeof kNames[0] && kNames[type] != nullptr ? kNames[type] : "";
}

// A /proc/meminfo value in kB; -1 when missing.
std::int64_t meminfo_kb(const std::string &text, const std::string &key) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + ":", 0) != 0) continue;
        auto value = parse_integer(line.substr(key.size() + 1, line.find(" kB") - key.size() - 1));
        return value ? *value : -1;
    }
    return -1;
}

}  // namespace

extern "C" {

int32_t OmbixGetMemoryInfo(int32_t, MEMORY_INFO *memoryInfo) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (memoryInfo == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        auto text = read_text(board.path("/proc/meminfo"));
        if (!text) return os_error(errno);
        std::int64_t total = meminfo_kb(*text, "MemTotal");
        std::int64_t available = meminfo_kb(*text, "MemAvailable");
        if (available < 0) available = meminfo_kb(*text, "MemFree");
        if (total < 0 || available < 0) return os_error(EBADMSG);
        MEMORY_INFO info{};
        info.memTotal = static_cast<int32_t>(total / 1024);
        info.memFree = static_cast<int32_t>(available / 1024);
        std::vector<SmbiosStructure> modules = memory_modules(board);
        if (!modules.empty()) {
            std::uint16_t speed = modules.front().word(0x15).value_or(0);
            info.memSpeed = speed == 0xFFFF ? 0 : speed;
            set_text(info.memType, memory_type_name(modules.front().byte(0x12).value_or(0)));
        }
        *memoryInfo = info;
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetMemoryModuleCount(int32_t, int32_t *memoryModuleCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (memoryModuleCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (!exists(board.path("/sys/firmware/dmi/entries"))) return OMBIX_LINUX_RC_NOT_SUPPORTED;
        int error = 0;
        std::vector<SmbiosStructure> modules = memory_modules(board, &error);
        if (error != 0) return os_error(error);  // never a count of 0 for entries not read
        *memoryModuleCount = static_cast<int32_t>(modules.size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetMemoryModuleInfo(int32_t, int8_t moduleNr, MEMORY_MODULE *memoryModule) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (memoryModule == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        int error = 0;
        std::vector<SmbiosStructure> modules = memory_modules(board, &error);
        if (error != 0) return os_error(error);
        if (!valid_index(moduleNr, modules.size())) return OMBIX_LINUX_RC_NO_DEVICE;
        const SmbiosStructure &m = modules[static_cast<std::size_t>(moduleNr)];
        MEMORY_MODULE info{};
        std::int64_t megabytes = module_megabytes(m);
        info.moduleSize = megabytes > INT32_MAX ? -1 : static_cast<int32_t>(megabytes);
        set_text(info.manufacturer, m.string_at(0x17));
        set_text(info.serialNumber, m.string_at(0x18));
        set_text(info.partNumber, m.string_at(0x1A));
        *memoryModule = info;
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
