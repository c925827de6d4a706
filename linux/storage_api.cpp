// User storage: the kernel's nvmem devices (EEPROMs, OTP areas, battery-backed
// RAM) in stable order, then the files the board file names. Offsets are
// bytes; a transfer that does not fit in the area is refused whole, and a
// transfer either moves every byte or answers a code. A write to a file
// reaches the disk before the call returns.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace ombix::linux_board {

void discover_storage(Board &board) {
    if (board.file.storage_nvmem) {
        const std::string folder = board.path("/sys/bus/nvmem/devices");
        std::vector<std::pair<std::string, StorageArea>> found;
        for (const std::string &name : list_folder(folder)) {
            StorageArea area;
            area.path = folder + "/" + name + "/nvmem";
            struct stat info;
            if (::stat(area.path.c_str(), &info) != 0) continue;
            // Only the first 2 GiB of a larger device can be addressed with a 32-bit offset.
            area.size = static_cast<std::int32_t>(std::min<std::int64_t>(info.st_size, INT32_MAX));
            found.emplace_back(stable_key(resolved(folder + "/" + name)) + "/" + name, area);
        }
        std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (auto &f : found) board.storage_areas.push_back(f.second);
    }
    for (const StorageFile &file : board.file.storage_files) {
        StorageArea area;
        area.path = file.path;
        area.size = file.size;
        area.file_backed = true;
        board.storage_areas.push_back(area);
    }
}

}  // namespace ombix::linux_board

namespace {

// Checks a transfer against the area; OMBIX_RC_OK when it fits entirely.
std::int32_t check_transfer(const Board &board, int32_t storageNr, int32_t offset, const void *data,
                            int32_t dataLength) {
    if (!valid_index(storageNr, board.storage_areas.size())) return OMBIX_LINUX_RC_NO_DEVICE;
    if (offset < 0 || dataLength < 0 || (data == nullptr && dataLength > 0)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
    const StorageArea &area = board.storage_areas[static_cast<std::size_t>(storageNr)];
    if (static_cast<std::int64_t>(offset) + dataLength > area.size) return OMBIX_LINUX_RC_PAST_END;
    return OMBIX_RC_OK;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failing close is reported.
    int close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// Reads `length` bytes at `offset`; sysfs hands them out a page at a time.
// A file that ends early reads as zeros (the area was not written that far);
// a device that ends early is an error.
std::int32_t read_all(int fd, off_t offset, uint8_t *data, int32_t length, bool zeros_past_end) {
    std::int32_t done = 0;
    while (done < length) {
        ssize_t n = ::pread(fd, data + done, static_cast<std::size_t>(length - done), offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return os_error(errno);
        if (n == 0) {
            if (!zeros_past_end) return os_error(EIO);
            std::fill(data + done, data + length, 0);
            return OMBIX_RC_OK;
        }
        done += static_cast<std::int32_t>(n);
    }
    return OMBIX_RC_OK;
}

std::int32_t write_all(int fd, off_t offset, const uint8_t *data, int32_t length) {
    std::int32_t done = 0;
    while (done < length) {
        ssize_t n = ::pwrite(fd, data + done, static_cast<std::size_t>(length - done), offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return os_error(errno);
        if (n == 0) return os_error(EIO);  // never report a short write as success
        done += static_cast<std::int32_t>(n);
    }
    return OMBIX_RC_OK;
}

// Opens a file-backed area for writing; when it is made now, its folder is
// synced too, so that the new name survives a crash along with the data.
int open_for_writing(const std::string &path) {
    for (;;) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;  // made by another writer meanwhile
        if (fd < 0) return fd;
        std::size_t slash = path.rfind('/');
        std::string folder = slash == 0 ? "/" : path.substr(0, slash);
        int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0 || ::fsync(dir) != 0) {
            int error = errno;
            if (dir >= 0) ::close(dir);
            ::close(fd);
            errno = error;
            return -1;
        }
        ::close(dir);
        return fd;
    }
}

}  // namespace

extern "C" {

int32_t OmbixGetStorageCount(int32_t, int32_t *storageCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (storageCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        *storageCount = static_cast<int32_t>(board.storage_areas.size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetStorageSize(int32_t, int32_t storageNr, int32_t *storageSize) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (storageSize == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (!valid_index(storageNr, board.storage_areas.size())) return OMBIX_LINUX_RC_NO_DEVICE;
        *storageSize = board.storage_areas[static_cast<std::size_t>(storageNr)].size;
        return OMBIX_RC_OK;
    });
}

int32_t OmbixStorageRead(int32_t, int32_t storageNr, int32_t offset, uint8_t *data, int32_t dataLength) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (std::int32_t code = check_transfer(board, storageNr, offset, data, dataLength)) return code;
        if (dataLength == 0) return OMBIX_RC_OK;
        const StorageArea &area = board.storage_areas[static_cast<std::size_t>(storageNr)];
        Descriptor fd(::open(area.path.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) {
            if (area.file_backed && errno == ENOENT) {
                std::fill(data, data + dataLength, 0);  // never written
                return OMBIX_RC_OK;
            }
            return os_error(errno);
        }
        return read_all(fd.get(), offset, data, dataLength, area.file_backed);
    });
}

int32_t OmbixStorageWrite(int32_t, int32_t storageNr, int32_t offset, const uint8_t *data, int32_t dataLength) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (std::int32_t code = check_transfer(board, storageNr, offset, data, dataLength)) return code;
        if (dataLength == 0) return OMBIX_RC_OK;
        const StorageArea &area = board.storage_areas[static_cast<std::size_t>(storageNr)];
        Descriptor fd(area.file_backed ? open_for_writing(area.path) : ::open(area.path.c_str(), O_WRONLY | O_CLOEXEC));
        if (fd.get() < 0) return os_error(errno);
        if (std::int32_t code = write_all(fd.get(), offset, data, dataLength)) return code;
        if (area.file_backed && ::fsync(fd.get()) != 0) return os_error(errno);
        if (fd.close() != 0) return os_error(errno);
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
