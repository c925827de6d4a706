// The boot sector check, condition by condition, and the merge of the loader.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "boot_sector.h"
#include "boot_sector_layout.h"
#include "boot_template.h"
#include "bpb_builder.h"
#include "test_names.h"

namespace ombix::bootdisk {
namespace {

using Bytes = std::vector<unsigned char>;

struct CheckCase {
    const char *behaviour;
    std::function<void(BpbFields &)> fields;
    std::function<void(Bytes &)> patch;  // applied after the sector is built
    uint32_t bytes_per_sector;
    uint64_t medium_size;
    uint32_t faults;  // exactly these conditions fail
};

void clear_signature(Bytes &s) {
    write_field(s.data(), kBootSignature, 0);
}

const CheckCase kChecks[] = {
    {"a freshly formatted 1.44 MB floppy passes", nullptr, nullptr, 512, 2880, 0},
    {"a zero signature fails whatever the parameters", nullptr, clear_signature, 512, 2880, kFaultSignature},
    {"65525 clusters are too many",
     [](BpbFields &f) {
         f.root_directory_entries = 512;
         f.sectors_per_fat_16 = 256;
         f.total_sectors_16 = 0;
         f.total_sectors_32 = 1 + 512 + 32 + 65525;
     },
     nullptr, 512, 70000, kFaultTooManyClusters},
    {"65524 clusters are not too many",
     [](BpbFields &f) {
         f.root_directory_entries = 512;
         f.sectors_per_fat_16 = 256;
         f.total_sectors_16 = 0;
         f.total_sectors_32 = 1 + 512 + 32 + 65524;
     },
     nullptr, 512, 70000, 0},
    {"a sector size field unlike the medium's fails", [](BpbFields &f) { f.bytes_per_sector = 1024; }, nullptr, 512,
     2880, kFaultSectorSize},
    {"no root directory entries fail", [](BpbFields &f) { f.root_directory_entries = 0; }, nullptr, 512, 2880,
     kFaultNoRootDirectory},
    {"three FATs fail", [](BpbFields &f) { f.number_of_fats = 3; }, nullptr, 512, 2880, kFaultFatCount},
    {"no FAT fails", [](BpbFields &f) { f.number_of_fats = 0; }, nullptr, 512, 2880, kFaultFatCount},
    {"one FAT passes", [](BpbFields &f) { f.number_of_fats = 1; }, nullptr, 512, 2880, 0},
    {"a volume one sector larger than the medium fails", nullptr, nullptr, 512, 2879, kFaultBeyondMedium},
    {"a 65536-byte cluster fails", [](BpbFields &f) { f.sectors_per_cluster = 128; }, nullptr, 512, 2880,
     kFaultClusterBytes},
    {"3 sectors per cluster fail", [](BpbFields &f) { f.sectors_per_cluster = 3; }, nullptr, 512, 2880,
     kFaultClusterSectors},
    {"0 sectors per cluster fail", [](BpbFields &f) { f.sectors_per_cluster = 0; }, nullptr, 512, 2880,
     kFaultClusterSectors},
    {"reserved sectors beyond the volume leave no data area", [](BpbFields &f) { f.reserved_sectors = 2900; }, nullptr,
     512, 2880, kFaultLayout},
    {"a FAT size that would wrap round in 32 bits leaves no data area",
     [](BpbFields &f) {
         f.sectors_per_fat_16 = 0;
         f.sectors_per_fat_32 = 0x80000000u;
     },
     nullptr, 512, 2880, kFaultLayout},
    {"no reserved sector fails", [](BpbFields &f) { f.reserved_sectors = 0; }, nullptr, 512, 2880, kFaultNoReserved},
    {"8 sectors per FAT are too few for the floppy", [](BpbFields &f) { f.sectors_per_fat_16 = 8; }, nullptr, 512, 2880,
     kFaultFatTooSmall},
    {"a FAT16 volume needs 16-bit entries",
     [](BpbFields &f) {
         f.total_sectors_16 = 0;
         f.total_sectors_32 = 65536;
         f.sectors_per_cluster = 4;
         f.root_directory_entries = 512;
         f.sectors_per_fat_16 = 50;
     },
     nullptr, 512, 65536, kFaultFatTooSmall},
    {"the 32-bit FAT size counts when the 16-bit one is 0",
     [](BpbFields &f) {
         f.sectors_per_fat_16 = 0;
         f.sectors_per_fat_32 = 9;
     },
     nullptr, 512, 2880, 0},
    {"the signature at the end of a longer sector passes",
     [](BpbFields &f) {
         f.bytes_per_sector = 1024;
         f.total_sectors_16 = 1440;
         f.sectors_per_fat_16 = 3;
     },
     [](Bytes &s) {
         s.resize(1024, 0);
         clear_signature(s);
         s[1022] = 0x55;
         s[1023] = 0xAA;
     },
     1024, 1440, 0},
    {"4096-byte sectors with 16 per cluster fail",
     [](BpbFields &f) {
         f.bytes_per_sector = 4096;
         f.sectors_per_cluster = 16;
         f.total_sectors_16 = 8000;
         f.root_directory_entries = 512;
         f.sectors_per_fat_16 = 1;
     },
     [](Bytes &s) { s.resize(4096, 0); }, 4096, 8000, kFaultClusterBytes},
};

void PrintTo(const CheckCase &row, std::ostream *out) {
    *out << row.behaviour;
}

class BootSectorCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(BootSectorCheck, fails_exactly_its_conditions) {
    const CheckCase &c = GetParam();
    BpbFields fields;
    if (c.fields) c.fields(fields);
    Bytes sector = fat_boot_sector(fields);
    if (c.patch) c.patch(sector);
    ASSERT_EQ(sector.size(), c.bytes_per_sector);
    EXPECT_EQ(fat_boot_sector_faults(sector.data(), c.bytes_per_sector, c.medium_size), c.faults);
    EXPECT_EQ(CheckFatBootSector(sector.data(), c.bytes_per_sector, c.medium_size), c.faults == 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, BootSectorCheck, testing::ValuesIn(kChecks), OMBIX_BEHAVIOUR_NAMES);

bool within(size_t offset, SectorField field) {
    return offset >= field.offset && offset < field.end();
}

TEST(BuildBootSector, takes_jump_and_loader_from_the_template_and_keeps_everything_else) {
    Bytes sector(2048);
    for (size_t i = 0; i < sector.size(); ++i) sector[i] = static_cast<unsigned char>(i * 13 + 5);
    const Bytes original = sector;
    BuildBootSector(sector.data(), 0x12345678);
    for (size_t i = 0; i < sector.size(); ++i) {
        if (within(i, bpb::kHiddenSectors)) continue;
        const bool merged = within(i, kJump) || within(i, kLoader);
        ASSERT_EQ(sector[i], merged ? BootLoaderTemplate[i] : original[i]) << "offset " << i;
    }
    EXPECT_EQ(sector[0x01C], 0x78);
    EXPECT_EQ(sector[0x01D], 0x56);
    EXPECT_EQ(sector[0x01E], 0x34);
    EXPECT_EQ(sector[0x01F], 0x12);
}

TEST(BuildBootSector, of_a_blank_sector_holds_only_the_loader) {
    Bytes sector(512, 0);
    BuildBootSector(sector.data(), 0);
    EXPECT_EQ(sector[0], 0xEB);
    EXPECT_EQ(sector[1], 0x3C);
    EXPECT_EQ(sector[2], 0x90);
    for (size_t i = kBpb.offset; i < kBpb.end(); ++i) ASSERT_EQ(sector[i], 0) << "offset " << i;
    EXPECT_EQ(sector[0x1FE], 0);
    EXPECT_EQ(sector[0x1FF], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&sector[0x1EA])), "!BOOTROM SYS");
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&sector[0x1F9]), 5), "VXEXT");
}

}  // namespace
}  // namespace ombix::bootdisk
