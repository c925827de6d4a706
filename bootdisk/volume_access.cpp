#include "volume_access.h"

namespace {

bool readExactly(PlatformHandle handle, unsigned char *buffer, uint32_t length,
                 const RunResources *resources, const char *name, FILE *out) {
    uint32_t transferred = 0;
    if (!platformRead(handle, buffer, length, &transferred)) {
        fprintf(out, "%s Failed: ReadFile on %s\n", resources->programName, name);
        return false;
    }
    if (transferred != length) {
        fprintf(out, "%s Failed: Partial ReadFile on %s\n", resources->programName, name);
        return false;
    }
    return true;
}

bool writeExactly(PlatformHandle handle, const unsigned char *buffer, uint32_t length,
                  const RunResources *resources, const char *name, FILE *out) {
    uint32_t transferred = 0;
    if (!platformWrite(handle, buffer, length, &transferred)) {
        fprintf(out, "%s Failed: WriteFile on %s\n", resources->programName, name);
        return false;
    }
    if (transferred != length) {
        fprintf(out, "%s Failed: Partial WriteFile on %s\n", resources->programName, name);
        return false;
    }
    return true;
}

bool seekVolumeStart(const RunResources *resources, FILE *out) {
    if (!platformSeekToStart(resources->volumeHandle)) {
        fprintf(out, "%s Failed: SetFilePointer on %s\n", resources->programName,
                resources->driveName);
        return false;
    }
    return true;
}

}  // namespace

int openVolume(RunResources *resources, int forWriting, FILE *out) {
    char devicePath[16];
    snprintf(devicePath, sizeof devicePath, "\\\\.\\%s", resources->driveName);
    resources->volumeHandle = platformOpenVolume(devicePath, forWriting);
    if (resources->volumeHandle == PLATFORM_INVALID_HANDLE) {
        fprintf(out, "%s Failed: Open %s\n", resources->programName, resources->driveName);
        return 0;
    }
    return 1;
}

int lockVolume(RunResources *resources, FILE *out) {
    if (!platformLockVolume(resources->volumeHandle)) {
        fprintf(out, "%s Failed: Exclusive access %s\n", resources->programName,
                resources->driveName);
        return 0;
    }
    resources->volumeLocked = 1;
    return 1;
}

int obtainMediumParameters(RunResources *resources, MediumParameters *medium, FILE *out) {
    DriveGeometry geometry;
    if (!platformGetDriveGeometry(resources->volumeHandle, &geometry)) {
        fprintf(out, "%s Failed: Get Disk Geometry %s\n", resources->programName,
                resources->driveName);
        return 0;
    }
    // The sector buffer and the divisions below need a size they can work with.
    if (!isUsableSectorSize(geometry.bytesPerSector)) {
        fprintf(out, "%s Failed: Unsupported sector size %u on %s\n", resources->programName,
                static_cast<unsigned>(geometry.bytesPerSector), resources->driveName);
        return 0;
    }
    if (isPartitionedMediaType(geometry.mediaType)) {
        PartitionInformation partition;
        if (!platformGetPartitionInfo(resources->volumeHandle, &partition)) {
            fprintf(out, "%s Failed: Get Partition Info Removable or Fixed Hard Disk %s\n",
                    resources->programName, resources->driveName);
            return 0;
        }
        if (!isKnownPartitionType(partition.partitionType)) {
            fprintf(out, "%s Failed: Unknown Partition Type %d on Removable or Fixed Hard Disk %s\n",
                    resources->programName, static_cast<int>(partition.partitionType),
                    resources->driveName);
            return 0;
        }
        *medium = partitionedMediumParameters(&geometry, &partition);
        return 1;
    }
    if (!isFloppyMediaType(geometry.mediaType)) {
        fprintf(out, "%s Failed: Unknown Floppy Disk Media Type %d on %s\n", resources->programName,
                static_cast<int>(geometry.mediaType), resources->driveName);
        return 0;
    }
    *medium = floppyMediumParameters(&geometry);
    return 1;
}

unsigned char *allocateSectorBuffer(RunResources *resources, uint32_t bytesPerSector, FILE *out) {
    void *block = platformAllocate(2 * static_cast<size_t>(bytesPerSector) - 1);
    if (block == nullptr) {
        fprintf(out, "%s Failed: No buffer memory\n", resources->programName);
        return nullptr;
    }
    resources->bufferBlock = block;
    const uintptr_t address = reinterpret_cast<uintptr_t>(block);
    const uintptr_t alignment = bytesPerSector;
    return static_cast<unsigned char *>(block) + (alignment - address % alignment) % alignment;
}

int readVolumeSector(RunResources *resources, unsigned char *buffer, uint32_t bytesPerSector,
                     FILE *out) {
    return seekVolumeStart(resources, out) &&
           readExactly(resources->volumeHandle, buffer, bytesPerSector, resources,
                       resources->driveName, out);
}

int writeVolumeSector(RunResources *resources, const unsigned char *buffer,
                      uint32_t bytesPerSector, FILE *out) {
    return seekVolumeStart(resources, out) &&
           writeExactly(resources->volumeHandle, buffer, bytesPerSector, resources,
                        resources->driveName, out);
}

int readSectorFile(RunResources *resources, unsigned char *buffer, uint32_t bytesPerSector,
                   FILE *out) {
    resources->fileHandle = platformOpenFileForReading(resources->fileName);
    if (resources->fileHandle == PLATFORM_INVALID_HANDLE) {
        fprintf(out, "%s Failed: Open Read on %s\n", resources->programName, resources->fileName);
        return 0;
    }
    return readExactly(resources->fileHandle, buffer, bytesPerSector, resources,
                       resources->fileName, out);
}

int writeSectorFile(RunResources *resources, const unsigned char *buffer, uint32_t bytesPerSector,
                    FILE *out) {
    const char *program = resources->programName;
    const char *name = resources->fileName;
    resources->fileHandle = platformCreateTemporaryFile(name, resources->temporaryFileName,
                                                        sizeof resources->temporaryFileName);
    if (resources->fileHandle == PLATFORM_INVALID_HANDLE) {
        resources->temporaryFileName[0] = '\0';
        fprintf(out, "%s Failed: Open Write on %s\n", program, name);
        return 0;
    }
    if (!writeExactly(resources->fileHandle, buffer, bytesPerSector, resources, name, out))
        return 0;
    if (!platformFlush(resources->fileHandle)) {
        fprintf(out, "%s Failed: Flush File %s\n", program, name);
        return 0;
    }
    // Closed before the rename, which some systems refuse for an open file;
    // from here on the release only has the temporary file to remove.
    const PlatformHandle file = resources->fileHandle;
    resources->fileHandle = PLATFORM_INVALID_HANDLE;
    if (!platformClose(file)) {
        fprintf(out, "%s Failed: Close File %s\n", program, name);
        return 0;
    }
    if (!platformRenameFile(resources->temporaryFileName, name)) {
        fprintf(out, "%s Failed: Rename to File %s\n", program, name);
        return 0;
    }
    resources->temporaryFileName[0] = '\0';
    return 1;
}
