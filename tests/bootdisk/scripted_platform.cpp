#include "scripted_platform.h"

#include <cstdlib>
#include <cstring>

namespace {

ScriptedPlatform platform;
std::map<PlatformStep, int> calls;

constexpr PlatformHandle kVolume = 10;

struct OpenEntry {
    std::string name;  // empty for the volume
    size_t position = 0;
};
std::map<PlatformHandle, OpenEntry> open;
PlatformHandle nextFileHandle = 20;

// Counts the call and tells whether the script makes it fail (or transfer short).
const ScriptedFault *faultFor(PlatformStep step) {
    const int call = ++calls[step];
    auto found = platform.faults.find(step);
    if (found == platform.faults.end() || found->second.onCall != call)
        return nullptr;
    return &found->second;
}

bool fails(PlatformStep step) {
    const ScriptedFault *fault = faultFor(step);
    return fault != nullptr && fault->fault == Fault::Fail;
}

int logged(const std::string &entry, bool ok) {
    platform.log.push_back(ok ? entry : entry + " failed");
    return ok;
}

Bytes &storageOf(const OpenEntry &entry) {
    return entry.name.empty() ? platform.volume : platform.files[entry.name];
}

std::string describe(PlatformHandle handle, const char *what) {
    const OpenEntry &entry = open[handle];
    return entry.name.empty() ? std::string(what) + " volume" : std::string(what) + " file " + entry.name;
}

}  // namespace

ScriptedPlatform &scriptedPlatform() {
    return platform;
}

ScriptedPlatform &resetScriptedPlatform(const Bytes &sector0) {
    platform = ScriptedPlatform{};
    platform.geometry = DriveGeometry{80, 2, 2, 18, 512};
    platform.partition = PartitionInformation{63 * 512, 2880 * 512, 0x01};
    platform.volume = sector0;
    calls.clear();
    open.clear();
    return platform;
}

extern "C" {

PlatformHandle platformOpenVolume(const char *devicePath, int forWriting) {
    const bool ok = !fails(PlatformStep::OpenVolume);
    logged(std::string("open volume ") + devicePath + (forWriting ? " for writing" : " for reading"), ok);
    if (!ok)
        return PLATFORM_INVALID_HANDLE;
    open[kVolume] = OpenEntry{};
    ++platform.openHandles;
    return kVolume;
}

int platformLockVolume(PlatformHandle) {
    return logged("lock", !fails(PlatformStep::LockVolume));
}

int platformUnlockVolume(PlatformHandle) {
    return logged("unlock", !fails(PlatformStep::UnlockVolume));
}

int platformGetDriveGeometry(PlatformHandle, DriveGeometry *geometry) {
    const bool ok = !fails(PlatformStep::Geometry);
    if (ok)
        *geometry = platform.geometry;
    return logged("geometry", ok);
}

int platformGetPartitionInfo(PlatformHandle, PartitionInformation *partition) {
    const bool ok = !fails(PlatformStep::Partition);
    if (ok)
        *partition = platform.partition;
    return logged("partition info", ok);
}

int platformSeekToStart(PlatformHandle handle) {
    const bool ok = !fails(PlatformStep::Seek);
    if (ok)
        open[handle].position = 0;
    return logged("seek", ok);
}

int platformRead(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred) {
    OpenEntry &entry = open[handle];
    const ScriptedFault *fault = faultFor(handle == kVolume ? PlatformStep::ReadVolume : PlatformStep::ReadFile);
    if (fault != nullptr && fault->fault == Fault::Fail)
        return logged(describe(handle, "read"), false);
    const Bytes &storage = storageOf(entry);
    size_t count = entry.position < storage.size() ? storage.size() - entry.position : 0;
    if (count > length)
        count = length;
    if (fault != nullptr && count > 0)
        --count;
    std::memcpy(buffer, storage.data() + entry.position, count);
    entry.position += count;
    *transferred = static_cast<uint32_t>(count);
    return logged(describe(handle, "read"), true);
}

int platformWrite(PlatformHandle handle, const void *buffer, uint32_t length, uint32_t *transferred) {
    OpenEntry &entry = open[handle];
    const ScriptedFault *fault = faultFor(handle == kVolume ? PlatformStep::WriteVolume : PlatformStep::WriteFile);
    if (fault != nullptr && fault->fault == Fault::Fail)
        return logged(describe(handle, "write"), false);
    const size_t count = fault != nullptr ? length - 1 : length;
    Bytes &storage = storageOf(entry);
    if (storage.size() < entry.position + count)
        storage.resize(entry.position + count);
    std::memcpy(storage.data() + entry.position, buffer, count);
    entry.position += count;
    *transferred = static_cast<uint32_t>(count);
    return logged(describe(handle, "write"), true);
}

PlatformHandle platformOpenFileForReading(const char *name) {
    const bool ok = !fails(PlatformStep::OpenFileForReading) && platform.files.count(name) != 0;
    logged(std::string("open file ") + name, ok);
    if (!ok)
        return PLATFORM_INVALID_HANDLE;
    open[nextFileHandle] = OpenEntry{name, 0};
    ++platform.openHandles;
    return nextFileHandle++;
}

PlatformHandle platformCreateTemporaryFile(const char *name, char *temporaryName, size_t size) {
    const std::string temporary = std::string(name) + ".tmp";
    const bool ok = !fails(PlatformStep::CreateTemporaryFile) && temporary.size() < size;
    logged("create file " + temporary, ok);
    if (!ok)
        return PLATFORM_INVALID_HANDLE;
    std::memcpy(temporaryName, temporary.c_str(), temporary.size() + 1);
    platform.files[temporary].clear();
    open[nextFileHandle] = OpenEntry{temporary, 0};
    ++platform.openHandles;
    return nextFileHandle++;
}

int platformFlush(PlatformHandle handle) {
    return logged(describe(handle, "flush"), !fails(PlatformStep::FlushFile));
}

int platformRenameFile(const char *temporaryName, const char *name) {
    const bool ok = !fails(PlatformStep::RenameFile) && platform.files.count(temporaryName) != 0;
    if (ok) {
        platform.files[name] = platform.files[temporaryName];
        platform.files.erase(temporaryName);
    }
    return logged(std::string("rename ") + temporaryName + " to " + name, ok);
}

int platformRemoveFile(const char *name) {
    const bool ok = !fails(PlatformStep::RemoveFile);
    if (ok)
        platform.files.erase(name);
    return logged(std::string("remove ") + name, ok);
}

int platformClose(PlatformHandle handle) {
    const bool ok = !fails(handle == kVolume ? PlatformStep::CloseVolume : PlatformStep::CloseFile);
    const std::string entry = describe(handle, "close");
    open.erase(handle);
    --platform.openHandles;
    return logged(entry, ok);
}

void *platformAllocate(size_t size) {
    const bool ok = !fails(PlatformStep::Allocate);
    logged("allocate " + std::to_string(size), ok);
    if (!ok)
        return nullptr;
    ++platform.heldBlocks;
    return malloc(size);
}

void platformFree(void *block) {
    --platform.heldBlocks;
    platform.log.push_back("free");
    free(block);
}

}  // extern "C"
