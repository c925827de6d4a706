// The usage text, line by line, as the tool prints it.
#ifndef OMBIX_TESTS_BOOTDISK_USAGE_TEXT_H
#define OMBIX_TESTS_BOOTDISK_USAGE_TEXT_H

#include <string>
#include <vector>

namespace ombix::bootdisk {

inline std::vector<std::string> usage_lines(const std::string &program = "vxbootdisk") {
    return {
        "Make a formatted drive bootable for VxWorks",
        "usage:",
        program + " -h",
        program + " DRIVELETTER: -ownrisk [-systemdrive] [-ignore] [-f|-r|-b [filename]]",
        program + " -ownrisk -ignore -b [filename]",
        "    -h - display this message",
        "    -ownrisk",
        "        Indicate that you know, that working with direct disk access can make",
        "        the host computer completely unusable, and that using this program is",
        "        entirely your own risk, and authors and providers of this program do",
        "        not take any liability for whatever direct or indirect damages caused",
        "        by this program in any expected or unexpected situation, and do not",
        "        provide any guarantee or warrantee for any behaviour of the program.",
        "    -systemdrive",
        "        Allow writing to a system drive.",
        "        Attention! This will most likely make your computer completely unusable",
        "        and is only provided as method of last ressort. Not needed for making",
        "        data partitions bootable!",
        "    -ignore",
        "        Ignore errors. This will most likely make the affected drive unusable",
        "        or write unusable data into a file!",
        "    -f - Save the original bootsector of the drive to a file.",
        "    -r - Restore the bootsector for the drive from a file.",
        "    -b - Make bootsector bootable, but write to file instead of to bootsector.",
        "        VXLD.BIN is the default name for the above files",
    };
}

inline std::vector<std::string> concat(std::vector<std::string> first, const std::vector<std::string> &second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

}  // namespace ombix::bootdisk

#endif
