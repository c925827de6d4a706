// Raw volume and file access through kernel32.
#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <cstdlib>

#include "platform.h"

namespace {

HANDLE toWindows(PlatformHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

PlatformHandle fromWindows(HANDLE handle) {
    return reinterpret_cast<PlatformHandle>(handle);
}

bool controlWithoutData(PlatformHandle volume, DWORD code) {
    DWORD returned = 0;
    return DeviceIoControl(toWindows(volume), code, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
}

}  // namespace

extern "C" {

PlatformHandle platformOpenVolume(const char *devicePath, int forWriting) {
    const DWORD access = forWriting ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    const DWORD share = forWriting ? 0 : FILE_SHARE_READ;
    return fromWindows(CreateFileA(devicePath, access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

int platformLockVolume(PlatformHandle volume) {
    return controlWithoutData(volume, FSCTL_LOCK_VOLUME);
}

int platformUnlockVolume(PlatformHandle volume) {
    return controlWithoutData(volume, FSCTL_UNLOCK_VOLUME);
}

int platformGetDriveGeometry(PlatformHandle volume, DriveGeometry *geometry) {
    DISK_GEOMETRY disk;
    DWORD returned = 0;
    if (!DeviceIoControl(toWindows(volume), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &disk,
                         sizeof disk, &returned, nullptr))
        return 0;
    geometry->cylinders = disk.Cylinders.QuadPart;
    geometry->mediaType = static_cast<uint32_t>(disk.MediaType);
    geometry->tracksPerCylinder = disk.TracksPerCylinder;
    geometry->sectorsPerTrack = disk.SectorsPerTrack;
    geometry->bytesPerSector = disk.BytesPerSector;
    return 1;
}

int platformGetPartitionInfo(PlatformHandle volume, PartitionInformation *partition) {
    PARTITION_INFORMATION information;
    DWORD returned = 0;
    if (!DeviceIoControl(toWindows(volume), IOCTL_DISK_GET_PARTITION_INFO, nullptr, 0,
                         &information, sizeof information, &returned, nullptr))
        return 0;
    partition->startingOffset = information.StartingOffset.QuadPart;
    partition->partitionLength = information.PartitionLength.QuadPart;
    partition->partitionType = information.PartitionType;
    return 1;
}

int platformSeekToStart(PlatformHandle handle) {
    LONG high = 0;
    return SetFilePointer(toWindows(handle), 0, &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

int platformRead(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred) {
    DWORD count = 0;
    const BOOL ok = ReadFile(toWindows(handle), buffer, length, &count, nullptr);
    *transferred = count;
    return ok != 0;
}

int platformWrite(PlatformHandle handle, const void *buffer, uint32_t length,
                  uint32_t *transferred) {
    DWORD count = 0;
    const BOOL ok = WriteFile(toWindows(handle), buffer, length, &count, nullptr);
    *transferred = count;
    return ok != 0;
}

PlatformHandle platformOpenFileForReading(const char *name) {
    return fromWindows(
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

PlatformHandle platformCreateTemporaryFile(const char *name, char *temporaryName, size_t size) {
    // What creating the name itself with CREATE_ALWAYS would refuse.
    const DWORD refused = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                          FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & refused) != 0)
        return PLATFORM_INVALID_HANDLE;
    // CREATE_NEW makes the name ours; a name left by another run is skipped.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const int length = snprintf(temporaryName, size, "%s.%lu-%u.tmp", name,
                                    static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        if (length < 0 || static_cast<size_t>(length) >= size)
            break;
        const HANDLE file =
            CreateFileA(temporaryName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return fromWindows(file);
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return PLATFORM_INVALID_HANDLE;
}

int platformFlush(PlatformHandle handle) {
    return FlushFileBuffers(toWindows(handle)) != 0;
}

int platformRenameFile(const char *temporaryName, const char *name) {
    // Write-through: the call returns once the rename is on the medium.
    return MoveFileExA(temporaryName, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

int platformRemoveFile(const char *name) {
    return DeleteFileA(name) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
}

int platformClose(PlatformHandle handle) {
    return CloseHandle(toWindows(handle)) != 0;
}

void *platformAllocate(size_t size) {
    return malloc(size);
}

void platformFree(void *block) {
    free(block);
}

}  // extern "C"
