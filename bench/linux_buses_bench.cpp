// The Linux board's SMBus byte read and 256-byte I2C read, called in process
// (no HTTP), beside their floor in the same run: the bare ioctl on a
// descriptor kept open, and i2c-tools' i2cget and i2ctransfer as whole
// processes. Runs where i2c-stub (a chip at 0x1c) and the rig's plain-I2C
// register device (0x50) are loaded: linux_buses_in_guest boots such a
// guest and runs it there.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {  // libi2c's header declares its functions without C linkage
#include <i2c/smbus.h>
}

#include <cstdlib>
#include <string>

#include "board.h"
#include "ombix_linux_board.h"
#include "sysfs.h"

namespace {

using ombix::linux_board::current_board;

constexpr std::uint8_t kStubChip = 0x1c;
constexpr std::uint8_t kRegisterDevice = 0x50;
constexpr std::uint8_t kRegister = 0x10;

// The API's number of the adapter named `name` in `buses`, and its device; -1 when absent.
int number_of(const std::vector<ombix::linux_board::I2cAdapter> &buses, const std::string &name, std::string &device) {
    for (std::size_t i = 0; i < buses.size(); ++i) {
        if (buses[i].name == name) {
            device = buses[i].device;
            return static_cast<int>(i);
        }
    }
    return -1;
}

int stub_bus(std::string &device) {
    return number_of(current_board()->smbus_buses, "SMBus stub driver", device);
}

int register_bus(std::string &device) {
    return number_of(current_board()->i2c_buses, "ombix test I2C adapter", device);
}

// The i2c-N number of a /dev/i2c-N path, for the i2c-tools command lines.
std::string kernel_number(const std::string &device) {
    return device.substr(device.rfind('-') + 1);
}

void OmbixSmbusReadByte_in_process(benchmark::State &state) {
    std::string device;
    int bus = stub_bus(device);
    if (bus < 0) return state.SkipWithError("no i2c-stub adapter");
    std::uint8_t byte = 0;
    for (auto _ : state) {
        if (OmbixSmbusReadByte(0, static_cast<std::uint8_t>(bus), kStubChip, kRegister, &byte) != OMBIX_RC_OK)
            return state.SkipWithError("OmbixSmbusReadByte failed");
        benchmark::DoNotOptimize(byte);
    }
}
BENCHMARK(OmbixSmbusReadByte_in_process);

void SmbusReadByte_bare_ioctl(benchmark::State &state) {
    std::string device;
    if (stub_bus(device) < 0) return state.SkipWithError("no i2c-stub adapter");
    int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 || ::ioctl(fd, I2C_SLAVE, static_cast<unsigned long>(kStubChip)) != 0)
        return state.SkipWithError("cannot open the adapter");
    for (auto _ : state) {
        benchmark::DoNotOptimize(i2c_smbus_read_byte_data(fd, kRegister));
    }
    ::close(fd);
}
BENCHMARK(SmbusReadByte_bare_ioctl);

void SmbusReadByte_i2cget_process(benchmark::State &state) {
    std::string device;
    if (stub_bus(device) < 0) return state.SkipWithError("no i2c-stub adapter");
    std::string command = "i2cget -y " + kernel_number(device) + " 0x1c 0x10 b > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) return state.SkipWithError("i2cget failed");
    }
}
BENCHMARK(SmbusReadByte_i2cget_process)->Iterations(20);

void OmbixI2cRead_256_in_process(benchmark::State &state) {
    std::string device;
    int bus = register_bus(device);
    if (bus < 0) return state.SkipWithError("no plain-I2C test adapter");
    std::uint8_t data[256];
    for (auto _ : state) {
        std::uint32_t length = sizeof data;
        if (OmbixI2cRead(0, static_cast<std::uint8_t>(bus), kRegisterDevice, 0, 1, data, &length) != OMBIX_RC_OK)
            return state.SkipWithError("OmbixI2cRead failed");
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 256);
}
BENCHMARK(OmbixI2cRead_256_in_process);

void I2cRead_256_bare_ioctl(benchmark::State &state) {
    std::string device;
    if (register_bus(device) < 0) return state.SkipWithError("no plain-I2C test adapter");
    int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return state.SkipWithError("cannot open the adapter");
    std::uint8_t address = 0, data[256];
    i2c_msg messages[2] = {{kRegisterDevice, 0, 1, &address}, {kRegisterDevice, I2C_M_RD, sizeof data, data}};
    i2c_rdwr_ioctl_data transfer{messages, 2};
    for (auto _ : state) {
        if (::ioctl(fd, I2C_RDWR, &transfer) != 2) return state.SkipWithError("I2C_RDWR failed");
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 256);
    ::close(fd);
}
BENCHMARK(I2cRead_256_bare_ioctl);

void I2cRead_256_i2ctransfer_process(benchmark::State &state) {
    std::string device;
    if (register_bus(device) < 0) return state.SkipWithError("no plain-I2C test adapter");
    std::string command = "i2ctransfer -y " + kernel_number(device) + " w1@0x50 0x00 r256 > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) return state.SkipWithError("i2ctransfer failed");
    }
}
BENCHMARK(I2cRead_256_i2ctransfer_process)->Iterations(20);

}  // namespace
