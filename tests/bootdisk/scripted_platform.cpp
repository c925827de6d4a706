// The scripted platform double: every platform operation of the tool, on
// memory, logged and failing on demand.
#include "scripted_platform.h"

#include <cstdlib>
#include <cstring>

namespace ombix::bootdisk {

namespace {

ScriptedPlatform platform;
std::map<PlatformStep, int> calls;

constexpr PlatformHandle kVolume = 10;

struct OpenEntry {
    std::string name;  // empty for the volume
    size_t position = 0;
};
std::map<PlatformHandle, OpenEntry> open;
PlatformHandle next_file_handle = 20;

// Counts the call and tells whether the script makes it fail (or transfer short).
const ScriptedFault *fault_for(PlatformStep step) {
    const int call = ++calls[step];
    auto found = platform.faults.find(step);
    if (found == platform.faults.end() || found->second.on_call != call) return nullptr;
    return &found->second;
}

bool fails(PlatformStep step) {
    const ScriptedFault *fault = fault_for(step);
    return fault != nullptr && fault->fault == Fault::Fail;
}

bool logged(const std::string &entry, bool ok) {
    platform.log.push_back(ok ? entry : entry + " failed");
    return ok;
}

Bytes &storage_of(const OpenEntry &entry) {
    return entry.name.empty() ? platform.volume : platform.files[entry.name];
}

std::string describe(PlatformHandle handle, const char *what) {
    const OpenEntry &entry = open[handle];
    return entry.name.empty() ? std::string(what) + " volume" : std::string(what) + " file " + entry.name;
}

}  // namespace

ScriptedPlatform &scripted_platform() {
    return platform;
}

ScriptedPlatform &reset_scripted_platform(const Bytes &sector0) {
    platform = ScriptedPlatform{};
    platform.geometry = VolumeGeometry{MediumKind::Floppy, 2, 80, 2, 18, 512};
    platform.partition = PartitionPlacement{63 * 512, 2880 * 512, 0x01};
    platform.volume = sector0;
    calls.clear();
    open.clear();
    return platform;
}

PlatformHandle platform_open_volume(const char *drive_name, bool for_writing) {
    const bool ok = !fails(PlatformStep::OpenVolume);
    logged(std::string("open volume ") + drive_name + (for_writing ? " for writing" : " for reading"), ok);
    if (!ok) return kInvalidHandle;
    open[kVolume] = OpenEntry{};
    ++platform.open_handles;
    return kVolume;
}

bool platform_lock_volume(PlatformHandle) {
    return logged("lock", !fails(PlatformStep::LockVolume));
}

bool platform_unlock_volume(PlatformHandle) {
    return logged("unlock", !fails(PlatformStep::UnlockVolume));
}

bool platform_volume_geometry(PlatformHandle, VolumeGeometry *geometry) {
    const bool ok = !fails(PlatformStep::Geometry);
    if (ok) *geometry = platform.geometry;
    return logged("geometry", ok);
}

bool platform_partition_placement(PlatformHandle, PartitionPlacement *partition) {
    const bool ok = !fails(PlatformStep::Partition);
    if (ok) *partition = platform.partition;
    return logged("partition info", ok);
}

bool platform_seek_to_start(PlatformHandle handle) {
    const bool ok = !fails(PlatformStep::Seek);
    if (ok) open[handle].position = 0;
    return logged("seek", ok);
}

bool platform_read(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred) {
    OpenEntry &entry = open[handle];
    const ScriptedFault *fault = fault_for(handle == kVolume ? PlatformStep::ReadVolume : PlatformStep::ReadFile);
    if (fault != nullptr && fault->fault == Fault::Fail) return logged(describe(handle, "read"), false);
    const Bytes &storage = storage_of(entry);
    size_t count = entry.position < storage.size() ? storage.size() - entry.position : 0;
    if (count > length) count = length;
    if (fault != nullptr && count > 0) --count;
    std::memcpy(buffer, storage.data() + entry.position, count);
    entry.position += count;
    *transferred = static_cast<uint32_t>(count);
    return logged(describe(handle, "read"), true);
}

bool platform_write(PlatformHandle handle, const void *buffer, uint32_t length, uint32_t *transferred) {
    OpenEntry &entry = open[handle];
    const ScriptedFault *fault = fault_for(handle == kVolume ? PlatformStep::WriteVolume : PlatformStep::WriteFile);
    if (fault != nullptr && fault->fault == Fault::Fail) return logged(describe(handle, "write"), false);
    const size_t count = fault != nullptr ? length - 1 : length;
    Bytes &storage = storage_of(entry);
    if (storage.size() < entry.position + count) storage.resize(entry.position + count);
    std::memcpy(storage.data() + entry.position, buffer, count);
    entry.position += count;
    *transferred = static_cast<uint32_t>(count);
    return logged(describe(handle, "write"), true);
}

PlatformHandle platform_open_file_for_reading(const char *name) {
    const bool ok = !fails(PlatformStep::OpenFileForReading) && platform.files.count(name) != 0;
    logged(std::string("open file ") + name, ok);
    if (!ok) return kInvalidHandle;
    open[next_file_handle] = OpenEntry{name, 0};
    ++platform.open_handles;
    return next_file_handle++;
}

PlatformHandle platform_create_temporary_file(const char *name, char *temporary_name, size_t size) {
    const std::string temporary = std::string(name) + ".tmp";
    const bool ok = !fails(PlatformStep::CreateTemporaryFile) && temporary.size() < size;
    logged("create file " + temporary, ok);
    if (!ok) return kInvalidHandle;
    std::memcpy(temporary_name, temporary.c_str(), temporary.size() + 1);
    platform.files[temporary].clear();
    open[next_file_handle] = OpenEntry{temporary, 0};
    ++platform.open_handles;
    return next_file_handle++;
}

bool platform_flush(PlatformHandle handle) {
    return logged(describe(handle, "flush"), !fails(PlatformStep::FlushFile));
}

bool platform_rename_file(const char *temporary_name, const char *name) {
    const bool ok = !fails(PlatformStep::RenameFile) && platform.files.count(temporary_name) != 0;
    if (ok) {
        platform.files[name] = platform.files[temporary_name];
        platform.files.erase(temporary_name);
    }
    return logged(std::string("rename ") + temporary_name + " to " + name, ok);
}

bool platform_remove_file(const char *name) {
    const bool ok = !fails(PlatformStep::RemoveFile);
    if (ok) platform.files.erase(name);
    return logged(std::string("remove ") + name, ok);
}

bool platform_close(PlatformHandle handle) {
    const bool ok = !fails(handle == kVolume ? PlatformStep::CloseVolume : PlatformStep::CloseFile);
    const std::string entry = describe(handle, "close");
    open.erase(handle);
    --platform.open_handles;
    return logged(entry, ok);
}

void *platform_allocate(size_t size) {
    const bool ok = !fails(PlatformStep::Allocate);
    logged("allocate " + std::to_string(size), ok);
    if (!ok) return nullptr;
    ++platform.held_blocks;
    return malloc(size);
}

void platform_free(void *block) {
    --platform.held_blocks;
    platform.log.push_back("free");
    free(block);
}

}  // namespace ombix::bootdisk
