#include "run_flow.h"

#include <cstring>

#include "boot_sector.h"
#include "command_line.h"
#include "volume_access.h"

namespace {

enum class RunMode { MakeBootable, Save, Restore, BuildToFile, BuildBlankToFile };

RunMode selectRunMode(const RunOptions &options) {
    if (options.save)
        return RunMode::Save;
    if (options.restore)
        return RunMode::Restore;
    if (options.toFile)
        return options.driveName[0] == '\0' ? RunMode::BuildBlankToFile : RunMode::BuildToFile;
    return RunMode::MakeBootable;
}

bool writesVolume(RunMode mode) {
    return mode == RunMode::MakeBootable || mode == RunMode::Restore;
}

// The boot sector check, printing its failure line; place is "on" and the
// drive name, or "in File" and the file name.
bool passesCheck(const unsigned char *sector, const MediumParameters &medium, const char *program,
                 const char *place, const char *name, FILE *out) {
    if (CheckFatBootSector(sector, medium.bytesPerSector, medium.mediumSizeInSectors))
        return true;
    fprintf(out, "%s Failed: No or illegal FAT12 or FAT16 Boot Sector for booting found %s %s\n",
            program, place, name);
    return false;
}

// Steps 2 to 7 of a run; returns the exit status.
int runSteps(const RunOptions &options, RunMode mode, RunResources *resources, FILE *out) {
    const char *program = resources->programName;
    MediumParameters medium = {512, 1, 0};
    if (mode != RunMode::BuildBlankToFile) {
        if (!openVolume(resources, writesVolume(mode), out))
            return 1;
        if (writesVolume(mode) && !options.systemDrive && !lockVolume(resources, out))
            return ReleaseRunResources(1, resources, out);
        if (!obtainMediumParameters(resources, &medium, out))
            return ReleaseRunResources(1, resources, out);
    }
    const uint32_t sectorSize = medium.bytesPerSector;

    unsigned char *sector = allocateSectorBuffer(resources, sectorSize, out);
    if (sector == nullptr)
        return ReleaseRunResources(1, resources, out);

    if (mode == RunMode::BuildBlankToFile) {
        std::memset(sector, 0, sectorSize);
        fprintf(out, "%s Progress: Skipped original Bootloader and Disk Parameters\n", program);
    } else {
        if (!readVolumeSector(resources, sector, sectorSize, out))
            return ReleaseRunResources(1, resources, out);
        fprintf(out, "%s Progress: Original Bootloader and Disk Parameters read from %s\n", program,
                options.driveName);
        if (!options.ignore) {
            if (!passesCheck(sector, medium, program, "on", options.driveName, out))
                return ReleaseRunResources(1, resources, out);
            fprintf(out, "%s Progress: Original Disk parameters checked\n", program);
        }
    }

    if (mode == RunMode::Restore) {
        if (!readSectorFile(resources, sector, sectorSize, out))
            return ReleaseRunResources(1, resources, out);
        fprintf(out, "%s Progress: Bootloader and Disk Parameters read from File %s\n", program,
                options.fileName);
        // A sector from a file is held to the drive's own standard: arbitrary
        // bytes written to sector 0 would leave the volume unreadable.
        if (!options.ignore) {
            if (!passesCheck(sector, medium, program, "in File", options.fileName, out))
                return ReleaseRunResources(1, resources, out);
            fprintf(out, "%s Progress: Disk parameters of File %s checked\n", program,
                    options.fileName);
        }
    } else if (mode != RunMode::Save) {
        BuildBootSector(sector, medium.hiddenSectors);
        fprintf(out, "%s Progress: Bootloader created\n", program);
    }

    if (writesVolume(mode)) {
        if (!writeVolumeSector(resources, sector, sectorSize, out))
            return ReleaseRunResources(1, resources, out);
        fprintf(out, "%s Progress: Bootloader written to Disk %s\n", program, options.driveName);
    } else {
        if (!writeSectorFile(resources, sector, sectorSize, out))
            return ReleaseRunResources(1, resources, out);
        fprintf(out, "%s Progress: Bootloader written to File %s\n", program, options.fileName);
    }

    fprintf(out, "%s Sucess: Done.\n", program);
    return ReleaseRunResources(0, resources, out);
}

}  // namespace

int runVxbootdisk(int argc, const char *const *argv, FILE *out) {
    char programName[VXBOOTDISK_PROGRAM_NAME_SIZE];
    programNameFromPath(argc > 0 && argv[0] != nullptr ? argv[0] : "vxbootdisk", programName,
                        sizeof programName);

    RunOptions options;
    if (!scanCommandLine(argc, argv, programName, &options, out))
        return 1;

    RunResources resources;
    initRunResources(&resources, programName, options.driveName, options.fileName);
    const int status = runSteps(options, selectRunMode(options), &resources, out);
    fflush(out);
    return status;
}
