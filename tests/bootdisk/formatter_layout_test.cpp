// The layout against a real formatter: every field of a boot sector that
// mkfs.fat wrote with chosen values is found where boot_sector_layout.h says
// it stands, with the value chosen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boot_sector_layout.h"
#include "linux_tool.h"
#include "shell.h"
#include "test_names.h"

namespace ombix::bootdisk {
namespace {

struct FieldValue {
    SectorField field;
    uint32_t value;
};

struct TextValue {
    SectorField field;
    std::string text;
};

struct FormattedSector {
    const char *behaviour;
    const char *mkfs_options;  // -a: no alignment, so that every count is as asked
    unsigned kilobytes;
    size_t sector_size;
    std::vector<FieldValue> numbers;
    std::vector<TextValue> texts;
};

void PrintTo(const FormattedSector &row, std::ostream *out) {
    *out << row.behaviour;
}

const FormattedSector kFormats[] = {
    {"a FAT12 volume of 1024-byte sectors",
     "-a -S 1024 -s 2 -R 3 -f 1 -r 128 -h 7 -i 1A2B3C4D -n MYLABEL -M 0xF8 -D 0x81 -g 5/11",
     1440,
     1024,
     {{bpb::kBytesPerSector, 1024},
      {bpb::kSectorsPerCluster, 2},
      {bpb::kReservedSectors, 3},
      {bpb::kNumberOfFats, 1},
      {bpb::kRootDirectoryEntries, 128},
      {bpb::kTotalSectors16, 1440},
      {bpb::kMediaDescriptor, 0xF8},
      {bpb::kSectorsPerFat16, 2},
      {bpb::kSectorsPerTrack, 11},
      {bpb::kNumberOfHeads, 5},
      {bpb::kHiddenSectors, 7},
      {bpb::kTotalSectors32, 0},
      {bpb::kDriveNumber, 0x81},
      {bpb::kReserved, 0},
      {bpb::kExtendedBootSignature, 0x29},
      {bpb::kVolumeSerialNumber, 0x1A2B3C4D},
      {kBootSignature, 0xAA55}},
     {{bpb::kOemName, "mkfs.fat"}, {bpb::kVolumeLabel, "MYLABEL    "}, {bpb::kFileSystemType, "FAT12   "}}},
    {"a FAT16 volume counted in 32 bits",
     "-a -F 16 -s 4 -R 1 -f 2 -r 512 -h 2048 -i 0BADF00D -n BOOT16 -M 0xFA -D 0x80 -g 255/63",
     65536,
     512,
     {{bpb::kBytesPerSector, 512},
      {bpb::kSectorsPerCluster, 4},
      {bpb::kReservedSectors, 1},
      {bpb::kNumberOfFats, 2},
      {bpb::kRootDirectoryEntries, 512},
      {bpb::kTotalSectors16, 0},
      {bpb::kMediaDescriptor, 0xFA},
      {bpb::kSectorsPerFat16, 128},
      {bpb::kSectorsPerTrack, 63},
      {bpb::kNumberOfHeads, 255},
      {bpb::kHiddenSectors, 2048},
      {bpb::kTotalSectors32, 131072},
      {bpb::kDriveNumber, 0x80},
      {bpb::kExtendedBootSignature, 0x29},
      {bpb::kVolumeSerialNumber, 0x0BADF00D},
      {kBootSignature, 0xAA55}},
     {{bpb::kOemName, "mkfs.fat"}, {bpb::kVolumeLabel, "BOOT16     "}, {bpb::kFileSystemType, "FAT16   "}}},
};

class FormatterSector : public testing::TestWithParam<FormattedSector> {};

TEST_P(FormatterSector, has_every_field_where_the_layout_names_it) {
    const FormattedSector &format = GetParam();
    ScratchDirectory dir;
    const std::filesystem::path image = dir / "volume.img";
    ASSERT_NO_FATAL_FAILURE(must_run(std::string("mkfs.fat ") + format.mkfs_options + " -C " +
                                     shell_quoted(image.string()) + " " + std::to_string(format.kilobytes)));
    const std::vector<unsigned char> bytes = read_bytes(image);
    ASSERT_GE(bytes.size(), format.sector_size);
    for (const FieldValue &number : format.numbers)
        EXPECT_EQ(read_field(bytes.data(), number.field), number.value) << "field at " << number.field.offset;
    for (const TextValue &text : format.texts) {
        const std::string found(bytes.begin() + static_cast<std::ptrdiff_t>(text.field.offset),
                                bytes.begin() + static_cast<std::ptrdiff_t>(text.field.end()));
        EXPECT_EQ(found, text.text) << "field at " << text.field.offset;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatterSector, testing::ValuesIn(kFormats), OMBIX_BEHAVIOUR_NAMES);

}  // namespace
}  // namespace ombix::bootdisk
