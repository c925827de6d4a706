// The Windows platform: raw volume and file access through kernel32. A drive
// letter becomes the device path \\.\X:, and the drive geometry's media type
// becomes a medium kind (windows_media.h).
#include <windows.h>
#include <winioctl.h>

#include <cstdio>

#include "platform.h"
#include "windows_media.h"

namespace ombix::bootdisk {

namespace {

HANDLE to_windows(PlatformHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

PlatformHandle from_windows(HANDLE handle) {
    return reinterpret_cast<PlatformHandle>(handle);
}

bool control_without_data(PlatformHandle volume, DWORD code) {
    DWORD returned = 0;
    return DeviceIoControl(to_windows(volume), code, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
}

}  // namespace

PlatformHandle platform_open_volume(const char *drive_name, bool for_writing) {
    char device_path[16];
    snprintf(device_path, sizeof device_path, "\\\\.\\%s", drive_name);
    const DWORD access = for_writing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    const DWORD share = for_writing ? 0 : FILE_SHARE_READ;
    return from_windows(CreateFileA(device_path, access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

bool platform_lock_volume(PlatformHandle volume) {
    return control_without_data(volume, FSCTL_LOCK_VOLUME);
}

bool platform_unlock_volume(PlatformHandle volume) {
    return control_without_data(volume, FSCTL_UNLOCK_VOLUME);
}

bool platform_volume_geometry(PlatformHandle volume, VolumeGeometry *geometry) {
    DISK_GEOMETRY disk;
    DWORD returned = 0;
    if (!DeviceIoControl(to_windows(volume), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &disk, sizeof disk, &returned,
                         nullptr))
        return false;
    geometry->kind = medium_kind_of_media_type(static_cast<uint32_t>(disk.MediaType));
    geometry->media_code = static_cast<uint32_t>(disk.MediaType);
    geometry->cylinders = disk.Cylinders.QuadPart;
    geometry->tracks_per_cylinder = disk.TracksPerCylinder;
    geometry->sectors_per_track = disk.SectorsPerTrack;
    geometry->bytes_per_sector = disk.BytesPerSector;
    return true;
}

bool platform_partition_placement(PlatformHandle volume, PartitionPlacement *partition) {
    PARTITION_INFORMATION information;
    DWORD returned = 0;
    if (!DeviceIoControl(to_windows(volume), IOCTL_DISK_GET_PARTITION_INFO, nullptr, 0, &information,
                         sizeof information, &returned, nullptr))
        return false;
    partition->starting_offset = information.StartingOffset.QuadPart;
    partition->partition_length = information.PartitionLength.QuadPart;
    partition->partition_type = information.PartitionType;
    return true;
}

bool platform_seek_to_start(PlatformHandle handle) {
    LONG high = 0;
    return SetFilePointer(to_windows(handle), 0, &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

bool platform_read(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred) {
    DWORD count = 0;
    const BOOL ok = ReadFile(to_windows(handle), buffer, length, &count, nullptr);
    *transferred = count;
    return ok != 0;
}

bool platform_write(PlatformHandle handle, const void *buffer, uint32_t length, uint32_t *transferred) {
    DWORD count = 0;
    const BOOL ok = WriteFile(to_windows(handle), buffer, length, &count, nullptr);
    *transferred = count;
    return ok != 0;
}

PlatformHandle platform_open_file_for_reading(const char *name) {
    return from_windows(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

PlatformHandle platform_create_temporary_file(const char *name, char *temporary_name, size_t size) {
    // What creating the name itself with CREATE_ALWAYS would refuse.
    const DWORD refused =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & refused) != 0) return kInvalidHandle;
    // CREATE_NEW makes the name ours; a name left by another run is skipped.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const int length = snprintf(temporary_name, size, "%s.%lu-%u.tmp", name,
                                    static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        if (length < 0 || static_cast<size_t>(length) >= size) break;
        const HANDLE file = CreateFileA(temporary_name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) return from_windows(file);
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return kInvalidHandle;
}

bool platform_flush(PlatformHandle handle) {
    return FlushFileBuffers(to_windows(handle)) != 0;
}

bool platform_rename_file(const char *temporary_name, const char *name) {
    // Write-through: the call returns once the rename is on the medium.
    return MoveFileExA(temporary_name, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool platform_remove_file(const char *name) {
    return DeleteFileA(name) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool platform_close(PlatformHandle handle) {
    return CloseHandle(to_windows(handle)) != 0;
}

}  // namespace ombix::bootdisk
