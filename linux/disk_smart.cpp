// libatasmart speaks ATA to the drive (through SCSI ATA pass-through where
// the disk sits behind libata or a bridge); a disk it cannot talk to simply
// has no SMART attributes.
#include "disk_smart.h"

#include <atasmart.h>

#include <cstring>

namespace ombix::linux_board {
namespace {

class OpenDisk {
public:
    explicit OpenDisk(const std::string &device) {
        if (sk_disk_open(device.c_str(), &disk_) != 0) disk_ = nullptr;
    }
    ~OpenDisk() {
        if (disk_ != nullptr) sk_disk_free(disk_);
    }
    OpenDisk(const OpenDisk &) = delete;
    OpenDisk &operator=(const OpenDisk &) = delete;
    SkDisk *get() const { return disk_; }

private:
    SkDisk *disk_ = nullptr;
};

void collect(SkDisk *, const SkSmartAttributeParsedData *parsed, void *userdata) {
    auto *attributes = static_cast<std::vector<SMART_ATTRIBUTE> *>(userdata);
    SMART_ATTRIBUTE a{};
    a.attrID = parsed->id;
    a.statusFlags = parsed->flags;
    a.attrValue = parsed->current_value;
    a.worstValue = parsed->worst_value;
    std::memcpy(a.rawValue, parsed->raw, sizeof a.rawValue);
    attributes->push_back(a);
}

}  // namespace

std::vector<SMART_ATTRIBUTE> smart_attributes(const std::string &device) {
    std::vector<SMART_ATTRIBUTE> attributes;
    OpenDisk disk(device);
    SkBool available = 0;
    if (disk.get() == nullptr || sk_disk_smart_is_available(disk.get(), &available) != 0 || !available)
        return attributes;
    if (sk_disk_smart_read_data(disk.get()) != 0) return attributes;
    if (sk_disk_smart_parse_attributes(disk.get(), collect, &attributes) != 0) attributes.clear();
    return attributes;
}

std::string identify_serial(const std::string &device) {
    OpenDisk disk(device);
    SkBool available = 0;
    const SkIdentifyParsedData *data = nullptr;
    if (disk.get() == nullptr || sk_disk_identify_is_available(disk.get(), &available) != 0 || !available ||
        sk_disk_identify_parse(disk.get(), &data) != 0 || data == nullptr)
        return "";
    return std::string(data->serial, strnlen(data->serial, sizeof data->serial));
}

}  // namespace ombix::linux_board
