// The progress and result lines of a run, as the tool prints them.
#ifndef OMBIX_TESTS_BOOTDISK_TOOL_LINES_H
#define OMBIX_TESTS_BOOTDISK_TOOL_LINES_H

#include <string>

namespace ombix::bootdisk::lines {

inline std::string read_from(const std::string &drive) {
    return "vxbootdisk Progress: Original Bootloader and Disk Parameters read from " + drive;
}
const std::string kChecked = "vxbootdisk Progress: Original Disk parameters checked";
const std::string kSkipped = "vxbootdisk Progress: Skipped original Bootloader and Disk Parameters";
const std::string kCreated = "vxbootdisk Progress: Bootloader created";
inline std::string read_from_file(const std::string &file) {
    return "vxbootdisk Progress: Bootloader and Disk Parameters read from File " + file;
}
inline std::string file_checked(const std::string &file) {
    return "vxbootdisk Progress: Disk parameters of File " + file + " checked";
}
inline std::string to_disk(const std::string &drive) {
    return "vxbootdisk Progress: Bootloader written to Disk " + drive;
}
inline std::string to_file(const std::string &file) {
    return "vxbootdisk Progress: Bootloader written to File " + file;
}
const std::string kDone = "vxbootdisk Sucess: Done.";
inline std::string failed(const std::string &what) {
    return "vxbootdisk Failed: " + what;
}
inline std::string illegal_on(const std::string &drive) {
    return failed("No or illegal FAT12 or FAT16 Boot Sector for booting found on " + drive);
}
inline std::string illegal_in_file(const std::string &file) {
    return failed("No or illegal FAT12 or FAT16 Boot Sector for booting found in File " + file);
}

}  // namespace ombix::bootdisk::lines

#endif
