// The template that the boot drive tool merges: loader and texts in place.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boot_sector_layout.h"
#include "boot_template.h"

namespace ombix::bootdisk {
namespace {

std::string text_at(size_t offset, size_t length) {
    return std::string(reinterpret_cast<const char *>(BootLoaderTemplate) + offset, length);
}

TEST(BootLoaderTemplate, starts_with_a_short_jump_to_the_loader_and_leaves_the_bpb_zero) {
    EXPECT_EQ(BootLoaderTemplate[0], 0xEB);
    EXPECT_EQ(BootLoaderTemplate[1], 0x3C);
    EXPECT_EQ(BootLoaderTemplate[2], 0x90);
    for (size_t offset = kBpb.offset; offset < kBpb.end(); ++offset) EXPECT_EQ(BootLoaderTemplate[offset], 0) << offset;
}

TEST(BootLoaderTemplate, holds_every_text_at_its_offset_with_the_switch_off_and_no_signature) {
    EXPECT_EQ(BootLoaderTemplate[kMessageSwitch.offset], 0);
    EXPECT_EQ(text_at(0x1E1, 5), std::string("V1.6\0", 5));
    EXPECT_EQ(text_at(0x1E6, 4), std::string("!Rd\0", 4));
    EXPECT_EQ(text_at(0x1EA, 13), std::string("!BOOTROM SYS\0", 13));
    EXPECT_EQ(text_at(0x1F7, 2), std::string("+\0", 2));
    EXPECT_EQ(text_at(0x1F9, 5), "VXEXT");
    EXPECT_EQ(read_field(BootLoaderTemplate, kBootSignature), 0u);
}

TEST(BootLoaderTemplate, keeps_the_far_pointer_of_the_final_jump_at_0x17e) {
    EXPECT_EQ(BootLoaderTemplate[0x17D], 0xEA);  // jump far, direct
    const unsigned char pointer[] = {0x00, 0x00, 0x00, 0x08};
    EXPECT_EQ(std::memcmp(BootLoaderTemplate + 0x17E, pointer, sizeof pointer), 0);
}

}  // namespace
}  // namespace ombix::bootdisk
