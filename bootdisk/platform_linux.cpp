// Volumes are image files or block devices named by VXBOOTDISK_X (see
// linux_volume.h); sector files are ordinary files.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "linux_volume.h"
#include "platform.h"

namespace {

constexpr uint32_t kFixedMedia = 12;

struct OpenFile {
    int fd = -1;
    bool volume = false;
    bool blockDevice = false;
    bool writable = false;
    int exclusiveFd = -1;  // a block device claimed with O_EXCL while locked
    bool fileLocked = false;
    std::string path;
    uint32_t sectorSize = 0;
    uint64_t volumeOffset = 0;     // byte at which the volume begins in the file
    uint32_t startSector = 0;
    bool hasStart = false;
};

OpenFile *fromHandle(PlatformHandle handle) {
    return reinterpret_cast<OpenFile *>(handle);
}

PlatformHandle toHandle(OpenFile *file) {
    return reinterpret_cast<PlatformHandle>(file);
}

PlatformHandle adopt(int fd, OpenFile *file) {
    file->fd = fd;
    return toHandle(file);
}

bool readSysfsNumber(const std::string &path, uint64_t *value) {
    FILE *in = fopen(path.c_str(), "r");
    if (in == nullptr)
        return false;
    unsigned long long number = 0;
    const bool ok = fscanf(in, "%llu", &number) == 1;
    fclose(in);
    *value = number;
    return ok;
}

std::string sysfsDevice(int fd) {
    struct stat status;
    if (fstat(fd, &status) != 0)
        return std::string();
    return "/sys/dev/block/" + std::to_string(major(status.st_rdev)) + ":" +
           std::to_string(minor(status.st_rdev));
}

// Size in bytes of the whole file or device.
bool totalBytes(const OpenFile *file, uint64_t *bytes) {
    if (file->blockDevice)
        return ioctl(file->fd, BLKGETSIZE64, bytes) == 0;
    struct stat status;
    if (fstat(file->fd, &status) != 0)
        return false;
    *bytes = static_cast<uint64_t>(status.st_size);
    return true;
}

// Where the volume lies: its length from volumeOffset on, and the byte at
// which it starts on its physical disk.
bool volumeExtent(const OpenFile *file, uint64_t *length, uint64_t *diskOffset) {
    uint64_t bytes = 0;
    if (!totalBytes(file, &bytes) || bytes < file->volumeOffset)
        return false;
    *length = bytes - file->volumeOffset;
    *diskOffset = file->volumeOffset;
    if (file->blockDevice) {
        const std::string device = sysfsDevice(file->fd);
        uint64_t partitionStart = 0;  // always in 512-byte units
        if (readSysfsNumber(device + "/start", &partitionStart))
            *diskOffset += partitionStart * 512;
    }
    return true;
}

bool isPartitionDevice(const OpenFile *file) {
    uint64_t number = 0;
    return file->blockDevice && readSysfsNumber(sysfsDevice(file->fd) + "/partition", &number);
}

}  // namespace

extern "C" {

PlatformHandle platformOpenVolume(const char *devicePath, int forWriting) {
    char variable[32];
    if (!volumeVariableName(devicePath, variable, sizeof variable))
        return PLATFORM_INVALID_HANDLE;
    const char *value = getenv(variable);
    if (value == nullptr)
        return PLATFORM_INVALID_HANDLE;
    std::vector<char> pathText(std::strlen(value) + 1);
    uint32_t startSector = 0;
    int hasStart = 0;
    if (!parseVolumeSpec(value, pathText.data(), pathText.size(), &startSector, &hasStart))
        return PLATFORM_INVALID_HANDLE;
    const std::string path(pathText.data());

    const int fd = open(path.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return PLATFORM_INVALID_HANDLE;
    struct stat status;
    if (fstat(fd, &status) != 0 || !(S_ISREG(status.st_mode) || S_ISBLK(status.st_mode))) {
        close(fd);
        return PLATFORM_INVALID_HANDLE;
    }
    OpenFile *file = new (std::nothrow) OpenFile;
    if (file == nullptr) {
        close(fd);
        return PLATFORM_INVALID_HANDLE;
    }
    file->volume = true;
    file->blockDevice = S_ISBLK(status.st_mode);
    file->writable = forWriting != 0;
    file->path = path;
    file->startSector = startSector;
    file->hasStart = hasStart != 0;
    int sectorSize = VXBOOTDISK_IMAGE_SECTOR_SIZE;
    if (file->blockDevice && ioctl(fd, BLKSSZGET, &sectorSize) != 0)
        sectorSize = 0;  // reported as an unusable sector size
    file->sectorSize = sectorSize > 0 ? static_cast<uint32_t>(sectorSize) : 0;
    file->volumeOffset = static_cast<uint64_t>(startSector) * file->sectorSize;
    return adopt(fd, file);
}

int platformLockVolume(PlatformHandle volume) {
    OpenFile *file = fromHandle(volume);
    if (file->blockDevice) {
        // Fails with EBUSY while the device is mounted or claimed elsewhere.
        file->exclusiveFd = open(file->path.c_str(), O_RDWR | O_EXCL | O_CLOEXEC);
        return file->exclusiveFd >= 0;
    }
    file->fileLocked = flock(file->fd, LOCK_EX | LOCK_NB) == 0;
    return file->fileLocked;
}

int platformUnlockVolume(PlatformHandle volume) {
    OpenFile *file = fromHandle(volume);
    bool ok = true;
    if (file->exclusiveFd >= 0) {
        ok = close(file->exclusiveFd) == 0;
        file->exclusiveFd = -1;
    }
    if (file->fileLocked) {
        ok = flock(file->fd, LOCK_UN) == 0 && ok;
        file->fileLocked = false;
    }
    return ok;
}

int platformGetDriveGeometry(PlatformHandle volume, DriveGeometry *geometry) {
    const OpenFile *file = fromHandle(volume);
    uint64_t length = 0;
    uint64_t diskOffset = 0;
    if (!volumeExtent(file, &length, &diskOffset))
        return 0;
    const bool wholeMedium = !file->hasStart && !isPartitionDevice(file);
    if (wholeMedium && file->sectorSize == VXBOOTDISK_IMAGE_SECTOR_SIZE &&
        floppyGeometryForSize(length, geometry))
        return 1;
    // Anything else is a fixed disk: its partition information describes it.
    geometry->mediaType = kFixedMedia;
    geometry->bytesPerSector = file->sectorSize;
    geometry->cylinders = file->sectorSize != 0 ? static_cast<int64_t>(length / file->sectorSize) : 0;
    geometry->tracksPerCylinder = 1;
    geometry->sectorsPerTrack = 1;
    return 1;
}

int platformGetPartitionInfo(PlatformHandle volume, PartitionInformation *partition) {
    const OpenFile *file = fromHandle(volume);
    uint64_t length = 0;
    uint64_t diskOffset = 0;
    if (!volumeExtent(file, &length, &diskOffset))
        return 0;
    partition->startingOffset = static_cast<int64_t>(diskOffset);
    partition->partitionLength = static_cast<int64_t>(length);
    partition->partitionType = 0x00;
    if (file->hasStart) {
        unsigned char record[512];
        if (pread(file->fd, record, sizeof record, 0) == static_cast<ssize_t>(sizeof record))
            partition->partitionType = mbrPartitionType(record, file->startSector);
    }
    return 1;
}

int platformSeekToStart(PlatformHandle handle) {
    const OpenFile *file = fromHandle(handle);
    const off_t start = static_cast<off_t>(file->volume ? file->volumeOffset : 0);
    return lseek(file->fd, start, SEEK_SET) == start;
}

int platformRead(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred) {
    const OpenFile *file = fromHandle(handle);
    uint32_t done = 0;
    while (done < length) {
        const ssize_t count = read(file->fd, static_cast<char *>(buffer) + done, length - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return 0;
        if (count == 0)
            break;
        done += static_cast<uint32_t>(count);
    }
    *transferred = done;
    return 1;
}

int platformWrite(PlatformHandle handle, const void *buffer, uint32_t length,
                  uint32_t *transferred) {
    const OpenFile *file = fromHandle(handle);
    uint32_t done = 0;
    while (done < length) {
        const ssize_t count =
            write(file->fd, static_cast<const char *>(buffer) + done, length - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        done += static_cast<uint32_t>(count);
    }
    *transferred = done;
    return done > 0 || length == 0;
}

PlatformHandle platformOpenFileForReading(const char *name) {
    OpenFile *file = new (std::nothrow) OpenFile;
    if (file == nullptr)
        return PLATFORM_INVALID_HANDLE;
    const int fd = open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        delete file;
        return PLATFORM_INVALID_HANDLE;
    }
    return adopt(fd, file);
}

PlatformHandle platformCreateTemporaryFile(const char *name, char *temporaryName, size_t size) {
    struct stat existing;
    const bool exists = stat(name, &existing) == 0;
    // What opening the name itself for writing would refuse.
    if (exists && (!S_ISREG(existing.st_mode) || access(name, W_OK) != 0))
        return PLATFORM_INVALID_HANDLE;
    OpenFile *file = new (std::nothrow) OpenFile;
    if (file == nullptr)
        return PLATFORM_INVALID_HANDLE;
    // O_EXCL makes the name ours; a name left by another run is skipped.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const int length = snprintf(temporaryName, size, "%s.%ld-%u.tmp", name,
                                    static_cast<long>(getpid()), attempt);
        if (length < 0 || static_cast<size_t>(length) >= size)
            break;
        const int fd = open(temporaryName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // The new file keeps the permissions of the one it replaces.
            if (exists)
                (void)fchmod(fd, existing.st_mode & 0777);
            file->writable = true;
            file->path = temporaryName;
            return adopt(fd, file);
        }
        if (errno != EEXIST)
            break;
    }
    delete file;
    return PLATFORM_INVALID_HANDLE;
}

int platformFlush(PlatformHandle handle) {
    return fsync(fromHandle(handle)->fd) == 0;
}

int platformRenameFile(const char *temporaryName, const char *name) {
    if (rename(temporaryName, name) != 0)
        return 0;
    // The rename itself lasts only once the folder that holds it is flushed.
    const char *slash = std::strrchr(name, '/');
    const std::string folder = slash == nullptr ? std::string(".")
                               : slash == name  ? std::string("/")
                                                : std::string(name, static_cast<size_t>(slash - name));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    // Some file systems cannot flush a folder and say so with EINVAL.
    const bool ok = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return ok;
}

int platformRemoveFile(const char *name) {
    return unlink(name) == 0 || errno == ENOENT;
}

int platformClose(PlatformHandle handle) {
    OpenFile *file = fromHandle(handle);
    // The sector must be on the medium before the run reports its end.
    bool ok = !(file->volume && file->writable) || fsync(file->fd) == 0;
    if (file->exclusiveFd >= 0)
        close(file->exclusiveFd);
    ok = close(file->fd) == 0 && ok;
    delete file;
    return ok;
}

void *platformAllocate(size_t size) {
    return malloc(size);
}

void platformFree(void *block) {
    free(block);
}

}  // extern "C"
