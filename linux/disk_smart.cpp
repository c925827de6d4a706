// libatasmart speaks ATA to the drive; a disk it cannot talk to simply has
// no SMART attributes.
#include "disk_smart.h"

#include <atasmart.h>

#include <cstring>

namespace ombix::linux_board {
namespace {

// The disk opened the way it answers IDENTIFY: libatasmart's own choice
// (SCSI ATA pass-through for a disk behind libata or a USB bridge) first,
// then libata's HDIO ioctls. Current kernels answer pass-through with
// fixed-format sense data, which libatasmart does not read, so a libata disk
// needs the second way.
class OpenDisk {
public:
    explicit OpenDisk(const std::string &device) {
        for (const char *way : {"", "linux-ide:"}) {
            if (sk_disk_open((way + device).c_str(), &disk_) != 0) {
                disk_ = nullptr;
                continue;
            }
            SkBool identified = 0;
            if (sk_disk_identify_is_available(disk_, &identified) == 0 && identified) return;
            sk_disk_free(disk_);
            disk_ = nullptr;
        }
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
    const SkIdentifyParsedData *data = nullptr;
    if (disk.get() == nullptr || sk_disk_identify_parse(disk.get(), &data) != 0 || data == nullptr) return "";
    return std::string(data->serial, strnlen(data->serial, sizeof data->serial));
}

}  // namespace ombix::linux_board
