// The Linux platform: a volume is an image file or a block device named by
// VXBOOTDISK_X (see linux_volume.h), measured as a floppy when it is a whole
// image of a standard floppy size and as a partition otherwise; sector files
// are ordinary files.
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

namespace ombix::bootdisk {

namespace {

struct OpenFile {
    int fd = -1;
    bool volume = false;
    bool block_device = false;
    bool writable = false;
    int exclusive_fd = -1;  // a block device claimed with O_EXCL while locked
    bool file_locked = false;
    std::string path;
    uint32_t sector_size = 0;
    uint64_t volume_offset = 0;  // byte at which the volume begins in the file
    uint32_t start_sector = 0;
    bool has_start = false;
};

OpenFile *from_handle(PlatformHandle handle) {
    return reinterpret_cast<OpenFile *>(handle);
}

PlatformHandle to_handle(OpenFile *file) {
    return reinterpret_cast<PlatformHandle>(file);
}

PlatformHandle adopt(int fd, OpenFile *file) {
    file->fd = fd;
    return to_handle(file);
}

bool read_sysfs_number(const std::string &path, uint64_t *value) {
    FILE *in = fopen(path.c_str(), "r");
    if (in == nullptr) return false;
    unsigned long long number = 0;
    const bool ok = fscanf(in, "%llu", &number) == 1;
    fclose(in);
    *value = number;
    return ok;
}

std::string sysfs_device(int fd) {
    struct stat status;
    if (fstat(fd, &status) != 0) return std::string();
    return "/sys/dev/block/" + std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev));
}

// Size in bytes of the whole file or device.
bool total_bytes(const OpenFile *file, uint64_t *bytes) {
    if (file->block_device) return ioctl(file->fd, BLKGETSIZE64, bytes) == 0;
    struct stat status;
    if (fstat(file->fd, &status) != 0) return false;
    *bytes = static_cast<uint64_t>(status.st_size);
    return true;
}

// Where the volume lies: its length from volume_offset on, and the byte at
// which it starts on its physical disk.
bool volume_extent(const OpenFile *file, uint64_t *length, uint64_t *disk_offset) {
    uint64_t bytes = 0;
    if (!total_bytes(file, &bytes) || bytes < file->volume_offset) return false;
    *length = bytes - file->volume_offset;
    *disk_offset = file->volume_offset;
    if (file->block_device) {
        const std::string device = sysfs_device(file->fd);
        uint64_t partition_start = 0;  // always in 512-byte units
        if (read_sysfs_number(device + "/start", &partition_start)) *disk_offset += partition_start * 512;
    }
    return true;
}

bool is_partition_device(const OpenFile *file) {
    uint64_t number = 0;
    return file->block_device && read_sysfs_number(sysfs_device(file->fd) + "/partition", &number);
}

}  // namespace

PlatformHandle platform_open_volume(const char *drive_name, bool for_writing) {
    char variable[32];
    if (!volume_variable_name(drive_name, variable, sizeof variable)) return kInvalidHandle;
    const char *value = std::getenv(variable);
    if (value == nullptr) return kInvalidHandle;
    std::vector<char> path_text(std::strlen(value) + 1);
    uint32_t start_sector = 0;
    bool has_start = false;
    if (!parse_volume_spec(value, path_text.data(), path_text.size(), &start_sector, &has_start)) return kInvalidHandle;
    const std::string path(path_text.data());

    const int fd = open(path.c_str(), (for_writing ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return kInvalidHandle;
    struct stat status;
    if (fstat(fd, &status) != 0 || !(S_ISREG(status.st_mode) || S_ISBLK(status.st_mode))) {
        close(fd);
        return kInvalidHandle;
    }
    OpenFile *file = new (std::nothrow) OpenFile;
    if (file == nullptr) {
        close(fd);
        return kInvalidHandle;
    }
    file->volume = true;
    file->block_device = S_ISBLK(status.st_mode);
    file->writable = for_writing;
    file->path = path;
    file->start_sector = start_sector;
    file->has_start = has_start;
    int sector_size = kImageSectorSize;
    if (file->block_device && ioctl(fd, BLKSSZGET, &sector_size) != 0)
        sector_size = 0;  // reported as an unusable sector size
    file->sector_size = sector_size > 0 ? static_cast<uint32_t>(sector_size) : 0;
    file->volume_offset = static_cast<uint64_t>(start_sector) * file->sector_size;
    return adopt(fd, file);
}

bool platform_lock_volume(PlatformHandle volume) {
    OpenFile *file = from_handle(volume);
    if (file->block_device) {
        // Fails with EBUSY while the device is mounted or claimed elsewhere.
        file->exclusive_fd = open(file->path.c_str(), O_RDWR | O_EXCL | O_CLOEXEC);
        return file->exclusive_fd >= 0;
    }
    file->file_locked = flock(file->fd, LOCK_EX | LOCK_NB) == 0;
    return file->file_locked;
}

bool platform_unlock_volume(PlatformHandle volume) {
    OpenFile *file = from_handle(volume);
    bool ok = true;
    if (file->exclusive_fd >= 0) {
        ok = close(file->exclusive_fd) == 0;
        file->exclusive_fd = -1;
    }
    if (file->file_locked) {
        ok = flock(file->fd, LOCK_UN) == 0 && ok;
        file->file_locked = false;
    }
    return ok;
}

bool platform_volume_geometry(PlatformHandle volume, VolumeGeometry *geometry) {
    const OpenFile *file = from_handle(volume);
    uint64_t length = 0;
    uint64_t disk_offset = 0;
    if (!volume_extent(file, &length, &disk_offset)) return false;
    const bool whole_medium = !file->has_start && !is_partition_device(file);
    if (whole_medium && file->sector_size == kImageSectorSize && floppy_geometry_for_size(length, geometry))
        return true;
    // Anything else is a fixed disk: its partition information describes it.
    geometry->kind = MediumKind::Partitioned;
    geometry->media_code = 0;
    geometry->bytes_per_sector = file->sector_size;
    geometry->cylinders = file->sector_size != 0 ? static_cast<int64_t>(length / file->sector_size) : 0;
    geometry->tracks_per_cylinder = 1;
    geometry->sectors_per_track = 1;
    return true;
}

bool platform_partition_placement(PlatformHandle volume, PartitionPlacement *partition) {
    const OpenFile *file = from_handle(volume);
    uint64_t length = 0;
    uint64_t disk_offset = 0;
    if (!volume_extent(file, &length, &disk_offset)) return false;
    partition->starting_offset = static_cast<int64_t>(disk_offset);
    partition->partition_length = static_cast<int64_t>(length);
    partition->partition_type = 0x00;
    if (file->has_start) {
        unsigned char record[512];
        if (pread(file->fd, record, sizeof record, 0) == static_cast<ssize_t>(sizeof record))
            partition->partition_type = mbr_partition_type(record, file->start_sector);
    }
    return true;
}

bool platform_seek_to_start(PlatformHandle handle) {
    const OpenFile *file = from_handle(handle);
    const off_t start = static_cast<off_t>(file->volume ? file->volume_offset : 0);
    return lseek(file->fd, start, SEEK_SET) == start;
}

bool platform_read(PlatformHandle handle, void *buffer, uint32_t length, uint32_t *transferred) {
    const OpenFile *file = from_handle(handle);
    uint32_t done = 0;
    while (done < length) {
        const ssize_t count = read(file->fd, static_cast<char *>(buffer) + done, length - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) break;
        done += static_cast<uint32_t>(count);
    }
    *transferred = done;
    return true;
}

bool platform_write(PlatformHandle handle, const void *buffer, uint32_t length, uint32_t *transferred) {
    const OpenFile *file = from_handle(handle);
    uint32_t done = 0;
    while (done < length) {
        const ssize_t count = write(file->fd, static_cast<const char *>(buffer) + done, length - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        done += static_cast<uint32_t>(count);
    }
    *transferred = done;
    return done > 0 || length == 0;
}

PlatformHandle platform_open_file_for_reading(const char *name) {
    OpenFile *file = new (std::nothrow) OpenFile;
    if (file == nullptr) return kInvalidHandle;
    const int fd = open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        delete file;
        return kInvalidHandle;
    }
    return adopt(fd, file);
}

PlatformHandle platform_create_temporary_file(const char *name, char *temporary_name, size_t size) {
    struct stat existing;
    const bool exists = stat(name, &existing) == 0;
    // What opening the name itself for writing would refuse.
    if (exists && (!S_ISREG(existing.st_mode) || access(name, W_OK) != 0)) return kInvalidHandle;
    OpenFile *file = new (std::nothrow) OpenFile;
    if (file == nullptr) return kInvalidHandle;
    // O_EXCL makes the name ours; a name left by another run is skipped.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const int length = snprintf(temporary_name, size, "%s.%ld-%u.tmp", name, static_cast<long>(getpid()), attempt);
        if (length < 0 || static_cast<size_t>(length) >= size) break;
        const int fd = open(temporary_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // The new file keeps the permissions of the one it replaces.
            if (exists) (void)fchmod(fd, existing.st_mode & 0777);
            file->writable = true;
            file->path = temporary_name;
            return adopt(fd, file);
        }
        if (errno != EEXIST) break;
    }
    delete file;
    return kInvalidHandle;
}

bool platform_flush(PlatformHandle handle) {
    return fsync(from_handle(handle)->fd) == 0;
}

bool platform_rename_file(const char *temporary_name, const char *name) {
    if (rename(temporary_name, name) != 0) return false;
    // The rename itself lasts only once the folder that holds it is flushed.
    const char *slash = std::strrchr(name, '/');
    const std::string folder = slash == nullptr ? std::string(".")
                               : slash == name  ? std::string("/")
                                                : std::string(name, static_cast<size_t>(slash - name));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    // Some file systems cannot flush a folder and say so with EINVAL.
    const bool ok = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return ok;
}

bool platform_remove_file(const char *name) {
    return unlink(name) == 0 || errno == ENOENT;
}

bool platform_close(PlatformHandle handle) {
    OpenFile *file = from_handle(handle);
    // The sector must be on the medium before the run reports its end.
    bool ok = !(file->volume && file->writable) || fsync(file->fd) == 0;
    if (file->exclusive_fd >= 0) close(file->exclusive_fd);
    ok = close(file->fd) == 0 && ok;
    delete file;
    return ok;
}

}  // namespace ombix::bootdisk
