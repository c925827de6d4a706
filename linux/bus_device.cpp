// Opening and closing a bus's character device.
#include "bus_device.h"

#include <fcntl.h>
#include <unistd.h>

namespace ombix::linux_board {

BusDevice::~BusDevice() {
    if (fd_ >= 0) ::close(fd_);
}

int BusDevice::fd() {
    if (fd_ < 0) fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    return fd_;
}

}  // namespace ombix::linux_board
