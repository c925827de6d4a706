// Test names made from the behaviour text of a table row.
#ifndef OMBIX_TESTS_BOOTDISK_TEST_NAMES_H
#define OMBIX_TESTS_BOOTDISK_TEST_NAMES_H

#include <cctype>
#include <string>

namespace ombix::bootdisk {

inline std::string behaviour_name(size_t index, const char *behaviour) {
    std::string name = std::to_string(index) + "_";
    for (const char *c = behaviour; *c != '\0'; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

}  // namespace ombix::bootdisk

// For INSTANTIATE_TEST_SUITE_P over rows that have a behaviour field.
#define OMBIX_BEHAVIOUR_NAMES \
    [](const auto &row) { return ::ombix::bootdisk::behaviour_name(row.index, row.param.behaviour); }

#endif
