// Finding the I2C adapters: every /dev/i2c-N whose adapter the kernel lists,
// asked once for its functions (I2C_FUNCS) and kept open for the snapshot.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "i2c_bus.h"
#include "sysfs.h"

namespace ombix::linux_board {
namespace {

bool is_adapter_folder(const std::string &name) {
    return name.size() > 4 && name.rfind("i2c-", 0) == 0 &&
           std::all_of(name.begin() + 4, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Plain I2C messages, as I2C_RDWR sends them.
bool offers_i2c(unsigned long functions) {
    return (functions & I2C_FUNC_I2C) != 0;
}

constexpr unsigned long kSmbusFunctions = I2C_FUNC_SMBUS_QUICK | I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_BYTE_DATA |
                                          I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA;

}  // namespace

std::vector<I2cAdapterPlace> i2c_adapters_in_order(const std::string &root) {
    const std::string folder = root + "/sys/bus/i2c/devices";
    std::vector<std::pair<std::string, I2cAdapterPlace>> found;
    for (const std::string &name : list_folder(folder)) {
        if (!is_adapter_folder(name)) continue;
        I2cAdapterPlace place;
        place.name = read_text(folder + "/" + name + "/name").value_or("");
        place.device = root + "/dev/" + name;
        found.emplace_back(stable_key(resolved(folder + "/" + name)), place);
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<I2cAdapterPlace> places;
    for (auto &f : found) places.push_back(std::move(f.second));
    return places;
}

std::int32_t transfer_error(int errnum) {
    switch (errnum) {
        case ENXIO:  // most adapters: no acknowledge
        case EREMOTEIO:
        case ENODEV: return OMBIX_LINUX_RC_NO_ANSWER;
        case EOPNOTSUPP: return OMBIX_LINUX_RC_NOT_SUPPORTED;
        default: return os_error(errnum);
    }
}

void discover_i2c(Board &board) {
    for (const I2cAdapterPlace &place : i2c_adapters_in_order(board.root)) {
        int fd = ::open(place.device.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) continue;  // i2c-dev not loaded, or not ours to open
        unsigned long functions = 0;
        if (::ioctl(fd, I2C_FUNCS, &functions) != 0) {
            ::close(fd);
            continue;
        }
        I2cAdapter adapter;
        adapter.name = place.name;
        adapter.device = place.device;
        adapter.functions = functions;
        auto forced = board.file.i2c_force.find(place.name);
        if (forced != board.file.i2c_force.end()) adapter.forced = forced->second;
        adapter.open = std::make_shared<BusDevice>(place.device, fd);
        if (offers_i2c(functions)) board.i2c_buses.push_back(adapter);
        if ((functions & kSmbusFunctions) != 0) board.smbus_buses.push_back(adapter);
    }
}

}  // namespace ombix::linux_board
