// The template that the boot drive tool merges: loader and texts in place.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boot_template.h"

namespace {

std::string TextAt(size_t offset, size_t length) {
    return std::string(reinterpret_cast<const char *>(BootLoaderTemplate) + offset, length);
}

TEST(BootLoaderTemplate, StartsWithAShortJumpToTheLoaderAndLeavesTheBpbZero) {
    EXPECT_EQ(BootLoaderTemplate[0], 0xEB);
    EXPECT_EQ(BootLoaderTemplate[1], 0x3C);
    EXPECT_EQ(BootLoaderTemplate[2], 0x90);
    for (size_t offset = 3; offset < 0x3E; ++offset) EXPECT_EQ(BootLoaderTemplate[offset], 0) << offset;
}

TEST(BootLoaderTemplate, HoldsEveryTextAtItsOffsetWithTheSwitchOffAndNoSignature) {
    EXPECT_EQ(BootLoaderTemplate[0x1E0], 0);
    EXPECT_EQ(TextAt(0x1E1, 5), std::string("V1.6\0", 5));
    EXPECT_EQ(TextAt(0x1E6, 4), std::string("!Rd\0", 4));
    EXPECT_EQ(TextAt(0x1EA, 13), std::string("!BOOTROM SYS\0", 13));
    EXPECT_EQ(TextAt(0x1F7, 2), std::string("+\0", 2));
    EXPECT_EQ(TextAt(0x1F9, 5), "VXEXT");
    EXPECT_EQ(BootLoaderTemplate[0x1FE], 0);
    EXPECT_EQ(BootLoaderTemplate[0x1FF], 0);
}

TEST(BootLoaderTemplate, KeepsTheFarPointerOfTheFinalJumpAt0x17E) {
    EXPECT_EQ(BootLoaderTemplate[0x17D], 0xEA);  // jump far, direct
    const unsigned char pointer[] = {0x00, 0x00, 0x00, 0x08};
    EXPECT_EQ(std::memcmp(BootLoaderTemplate + 0x17E, pointer, sizeof pointer), 0);
}

}  // namespace
