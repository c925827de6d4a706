// The progress and result lines of a run, as the tool prints them.
#pragma once

#include <string>

namespace lines {

inline std::string readFrom(const std::string &drive) {
    return "vxbootdisk Progress: Original Bootloader and Disk Parameters read from " + drive;
}
const std::string checked = "vxbootdisk Progress: Original Disk parameters checked";
const std::string skipped = "vxbootdisk Progress: Skipped original Bootloader and Disk Parameters";
const std::string created = "vxbootdisk Progress: Bootloader created";
inline std::string readFromFile(const std::string &file) {
    return "vxbootdisk Progress: Bootloader and Disk Parameters read from File " + file;
}
inline std::string fileChecked(const std::string &file) {
    return "vxbootdisk Progress: Disk parameters of File " + file + " checked";
}
inline std::string toDisk(const std::string &drive) {
    return "vxbootdisk Progress: Bootloader written to Disk " + drive;
}
inline std::string toFile(const std::string &file) {
    return "vxbootdisk Progress: Bootloader written to File " + file;
}
const std::string done = "vxbootdisk Sucess: Done.";
inline std::string failed(const std::string &what) {
    return "vxbootdisk Failed: " + what;
}
inline std::string illegalOn(const std::string &drive) {
    return failed("No or illegal FAT12 or FAT16 Boot Sector for booting found on " + drive);
}
inline std::string illegalInFile(const std::string &file) {
    return failed("No or illegal FAT12 or FAT16 Boot Sector for booting found in File " + file);
}

}  // namespace lines
