// The run modes and the fixed order of a run's steps.
#include "run_flow.h"

#include <cstring>

#include "boot_sector.h"
#include "command_line.h"
#include "volume_access.h"

namespace ombix::bootdisk {

namespace {

enum class RunMode { MakeBootable, Save, Restore, BuildToFile, BuildBlankToFile };

// What the build-blank mode takes, as no volume is opened.
constexpr MediumParameters kBlankMedium{512, 1, 0};

RunMode select_run_mode(const RunOptions &options) {
    if (options.save) return RunMode::Save;
    if (options.restore) return RunMode::Restore;
    if (options.to_file) return options.drive_name[0] == '\0' ? RunMode::BuildBlankToFile : RunMode::BuildToFile;
    return RunMode::MakeBootable;
}

bool writes_volume(RunMode mode) {
    return mode == RunMode::MakeBootable || mode == RunMode::Restore;
}

// The boot sector check, printing its failure line; place is "on" and the
// drive name, or "in File" and the file name.
bool passes_check(const unsigned char *sector, const MediumParameters &medium, const char *program, const char *place,
                  const char *name, FILE *out) {
    if (CheckFatBootSector(sector, medium.bytes_per_sector, medium.medium_size_in_sectors)) return true;
    fprintf(out, "%s Failed: No or illegal FAT12 or FAT16 Boot Sector for booting found %s %s\n", program, place, name);
    return false;
}

// Step 2: the volume, opened, locked where the mode writes it, and measured.
bool take_volume(const RunOptions &options, RunMode mode, RunResources *resources, MediumParameters *medium,
                 FILE *out) {
    if (mode == RunMode::BuildBlankToFile) {
        *medium = kBlankMedium;
        return true;
    }
    const bool for_writing = writes_volume(mode);
    return open_volume(resources, for_writing, out) &&
           (!for_writing || options.system_drive || lock_volume(resources, out)) &&
           obtain_medium_parameters(resources, medium, out);
}

// Step 4: the original sector, read and checked, or a blank one.
bool take_original_sector(const RunOptions &options, RunMode mode, const MediumParameters &medium,
                          RunResources *resources, unsigned char *sector, FILE *out) {
    const char *program = resources->program_name;
    if (mode == RunMode::BuildBlankToFile) {
        std::memset(sector, 0, medium.bytes_per_sector);
        fprintf(out, "%s Progress: Skipped original Bootloader and Disk Parameters\n", program);
        return true;
    }
    if (!read_volume_sector(resources, sector, medium.bytes_per_sector, out)) return false;
    fprintf(out, "%s Progress: Original Bootloader and Disk Parameters read from %s\n", program, options.drive_name);
    if (options.ignore) return true;
    if (!passes_check(sector, medium, program, "on", options.drive_name, out)) return false;
    fprintf(out, "%s Progress: Original Disk parameters checked\n", program);
    return true;
}

// Step 5: the sector to write: the file's, the original, or the built one.
bool make_new_sector(const RunOptions &options, RunMode mode, const MediumParameters &medium, RunResources *resources,
                     unsigned char *sector, FILE *out) {
    const char *program = resources->program_name;
    if (mode == RunMode::Save) return true;
    if (mode != RunMode::Restore) {
        BuildBootSector(sector, medium.hidden_sectors);
        fprintf(out, "%s Progress: Bootloader created\n", program);
        return true;
    }
    if (!read_sector_file(resources, sector, medium.bytes_per_sector, out)) return false;
    fprintf(out, "%s Progress: Bootloader and Disk Parameters read from File %s\n", program, options.file_name);
    // A sector from a file is held to the drive's own standard: arbitrary
    // bytes written to sector 0 would leave the volume unreadable.
    if (options.ignore) return true;
    if (!passes_check(sector, medium, program, "in File", options.file_name, out)) return false;
    fprintf(out, "%s Progress: Disk parameters of File %s checked\n", program, options.file_name);
    return true;
}

// Step 6: the sector written to the drive or to the file.
bool write_new_sector(const RunOptions &options, RunMode mode, const MediumParameters &medium, RunResources *resources,
                      const unsigned char *sector, FILE *out) {
    const char *program = resources->program_name;
    if (writes_volume(mode)) {
        if (!write_volume_sector(resources, sector, medium.bytes_per_sector, out)) return false;
        fprintf(out, "%s Progress: Bootloader written to Disk %s\n", program, options.drive_name);
        return true;
    }
    if (!write_sector_file(resources, sector, medium.bytes_per_sector, out)) return false;
    fprintf(out, "%s Progress: Bootloader written to File %s\n", program, options.file_name);
    return true;
}

// Steps 2 to 6; false once a step has printed its failure line.
bool run_steps(const RunOptions &options, RunMode mode, RunResources *resources, FILE *out) {
    MediumParameters medium;
    if (!take_volume(options, mode, resources, &medium, out)) return false;
    unsigned char *sector = allocate_sector_buffer(resources, medium.bytes_per_sector, out);
    return sector != nullptr && take_original_sector(options, mode, medium, resources, sector, out) &&
           make_new_sector(options, mode, medium, resources, sector, out) &&
           write_new_sector(options, mode, medium, resources, sector, out);
}

}  // namespace

int run_vxbootdisk(int argc, const char *const *argv, FILE *out) {
    char program_name[kProgramNameSize];
    program_name_from_path(argc > 0 && argv[0] != nullptr ? argv[0] : "vxbootdisk", program_name, sizeof program_name);

    RunOptions options;
    if (!scan_command_line(argc, argv, program_name, &options, out)) return 1;

    RunResources resources;
    init_run_resources(&resources, program_name, options.drive_name, options.file_name);
    // The one release of the run, after success or after any failure. A
    // volume that could not be opened leaves nothing to release.
    const bool done = run_steps(options, select_run_mode(options), &resources, out);
    if (done) fprintf(out, "%s Sucess: Done.\n", program_name);
    const int status = ReleaseRunResources(done ? 0 : 1, &resources, out);
    fflush(out);
    return status;
}

}  // namespace ombix::bootdisk
