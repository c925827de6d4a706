#include "state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "sysfs.h"

namespace ombix::linux_board {
namespace {

std::mutex state_mutex;  // flock does not exclude threads sharing a descriptor table

int make_directories(const std::string &directory) {
    std::string path;
    std::size_t start = 0;
    while (start <= directory.size()) {
        std::size_t end = directory.find('/', start);
        if (end == std::string::npos) end = directory.size();
        path = directory.substr(0, end);
        if (!path.empty() && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
        start = end + 1;
    }
    return 0;
}

int write_whole(int fd, const std::string &text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

int update_state_file(const std::string &directory, const std::string &name,
                      const std::function<int(std::string &text)> &change) {
    std::lock_guard<std::mutex> guard(state_mutex);
    if (int error = make_directories(directory)) return error;
    std::string lock_path = directory + "/." + name + ".lock";
    int lock = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return errno;
    int result = 0;
    if (::flock(lock, LOCK_EX) != 0) {
        result = errno;
    } else {
        std::string path = directory + "/" + name;
        std::string text;
        if (auto existing = read_text(path)) {
            text = *existing;
        } else if (errno != ENOENT) {
            result = errno;
        }
        int changed = result == 0 ? change(text) : 0;
        if (changed < 0) result = changed;
        if (result == 0 && changed > 0) {
            std::string temporary = path + ".new";
            int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (fd < 0) {
                result = errno;
            } else {
                result = write_whole(fd, text + "\n");
                if (::close(fd) != 0 && result == 0) result = errno;
                if (result == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) result = errno;
                if (result != 0) ::unlink(temporary.c_str());
            }
        }
    }
    ::close(lock);
    return result;
}

}  // namespace ombix::linux_board
