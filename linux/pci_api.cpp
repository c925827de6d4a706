// PCI devices through libpci on sysfs (/sys/bus/pci below the root), named
// from pci.ids. Listed once, when the board is configured.
extern "C" {
#include <pci/pci.h>
}

#include <algorithm>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <tuple>

#include "call.h"
#include "sysfs.h"

using namespace ombix::linux_board;

namespace {

// libpci reports a fatal error through a callback that must not return: it
// jumps back here, and the board goes without PCI devices (an error code
// for the PCI calls) instead of the process exiting.
thread_local std::jmp_buf *pci_escape = nullptr;

void pci_failed(char *, ...) {
    std::longjmp(*pci_escape, 1);
}
void pci_quiet(char *, ...) {}

std::mutex pci_mutex;

// Plain C data only between setjmp and longjmp.
bool list_pci(const char *sysfs_path, PCI_DEVICE *devices, int capacity, int *count) {
    struct pci_access *volatile access = nullptr;
    std::jmp_buf escape;
    *count = 0;
    if (setjmp(escape) != 0) {
        pci_escape = nullptr;
        if (access != nullptr) pci_cleanup(access);
        return false;
    }
    pci_escape = &escape;
    access = pci_alloc();
    access->error = pci_failed;
    access->warning = pci_quiet;
    access->debug = pci_quiet;
    access->method = PCI_ACCESS_SYS_BUS_PCI;  // never raw port access
    pci_set_param(access, const_cast<char *>("sysfs.path"), const_cast<char *>(sysfs_path));
    pci_init(access);
    pci_scan_bus(access);
    for (struct pci_dev *dev = access->devices; dev != nullptr && *count < capacity; dev = dev->next) {
        pci_fill_info(dev, PCI_FILL_IDENT | PCI_FILL_CLASS | PCI_FILL_CLASS_EXT);
        PCI_DEVICE &d = devices[(*count)++];
        std::memset(&d, 0, sizeof d);
        d.domain = dev->domain;
        d.bus = dev->bus;
        d.slot = dev->dev;
        d.funct = dev->func;
        d.vendorId = dev->vendor_id;
        d.deviceId = dev->device_id;
        d.classId = dev->device_class << 8 | dev->prog_if;
        const int flags = PCI_LOOKUP_NO_NUMBERS | PCI_LOOKUP_NO_HWDB;
        char name[256];
        if (const char *n =
                pci_lookup_name(access, name, sizeof name, PCI_LOOKUP_DEVICE | flags, dev->vendor_id, dev->device_id))
            std::snprintf(d.deviceName, sizeof d.deviceName, "%s", n);
        if (const char *n = pci_lookup_name(access, name, sizeof name, PCI_LOOKUP_VENDOR | flags, dev->vendor_id))
            std::snprintf(d.vendorName, sizeof d.vendorName, "%s", n);
        if (const char *n = pci_lookup_name(access, name, sizeof name, PCI_LOOKUP_CLASS | flags, dev->device_class))
            std::snprintf(d.className, sizeof d.className, "%s", n);
    }
    pci_escape = nullptr;
    pci_cleanup(access);
    return true;
}

}  // namespace

namespace ombix::linux_board {

void discover_pci(Board &board) {
    std::string sysfs = board.path("/sys/bus/pci");
    if (!exists(sysfs + "/devices")) return;  // no PCI bus: an empty list
    std::lock_guard<std::mutex> lock(pci_mutex);
    std::vector<PCI_DEVICE> devices(4096);
    int count = 0;
    if (!list_pci(sysfs.c_str(), devices.data(), static_cast<int>(devices.size()), &count)) {
        board.pci_error = EIO;
        return;
    }
    devices.resize(static_cast<std::size_t>(count));
    std::sort(devices.begin(), devices.end(), [](const PCI_DEVICE &a, const PCI_DEVICE &b) {
        return std::tie(a.domain, a.bus, a.slot, a.funct) < std::tie(b.domain, b.bus, b.slot, b.funct);
    });
    board.pci_devices = std::move(devices);
}

}  // namespace ombix::linux_board

extern "C" {

int32_t OmbixGetPciDeviceCount(int32_t, int32_t *pciDeviceCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (pciDeviceCount == nullptr) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (board.pci_error != 0) return os_error(board.pci_error);
        *pciDeviceCount = static_cast<int32_t>(board.pci_devices.size());
        return OMBIX_RC_OK;
    });
}

int32_t OmbixGetPciDeviceList(int32_t, PCI_DEVICE *pciDevices, int32_t pciDeviceCount) {
    return run_call([&](const Board &board) -> std::int32_t {
        if (pciDeviceCount < 0 || (pciDevices == nullptr && pciDeviceCount > 0)) return OMBIX_LINUX_RC_INVALID_ARGUMENT;
        if (board.pci_error != 0) return os_error(board.pci_error);
        std::size_t n = std::min(board.pci_devices.size(), static_cast<std::size_t>(pciDeviceCount));
        std::copy_n(board.pci_devices.begin(), n, pciDevices);
        return OMBIX_RC_OK;
    });
}

}  // extern "C"
