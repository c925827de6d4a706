#include "run_resources.h"

void initRunResources(RunResources *resources, const char *programName, const char *driveName,
                      const char *fileName) {
    resources->bufferBlock = nullptr;
    resources->volumeHandle = PLATFORM_INVALID_HANDLE;
    resources->fileHandle = PLATFORM_INVALID_HANDLE;
    resources->volumeLocked = 0;
    resources->programName = programName;
    resources->driveName = driveName;
    resources->fileName = fileName;
    resources->temporaryFileName[0] = '\0';
}

int ReleaseRunResources(int status, RunResources *resources, FILE *out) {
    if (resources->bufferBlock != nullptr) {
        platformFree(resources->bufferBlock);
        resources->bufferBlock = nullptr;
    }
    if (resources->fileHandle != PLATFORM_INVALID_HANDLE) {
        if (!platformClose(resources->fileHandle)) {
            fprintf(out, "%s Failed: Close File %s\n", resources->programName, resources->fileName);
            status = 1;
        }
        resources->fileHandle = PLATFORM_INVALID_HANDLE;
    }
    // A sector file that did not get its name must not be left behind.
    if (resources->temporaryFileName[0] != '\0') {
        if (!platformRemoveFile(resources->temporaryFileName)) {
            fprintf(out, "%s Failed: Delete File %s\n", resources->programName,
                    resources->temporaryFileName);
            status = 1;
        }
        resources->temporaryFileName[0] = '\0';
    }
    if (resources->volumeHandle == PLATFORM_INVALID_HANDLE)
        return status;
    if (resources->volumeLocked) {
        if (!platformUnlockVolume(resources->volumeHandle)) {
            fprintf(out, "%s Failed: Unlock volume %s\n", resources->programName,
                    resources->driveName);
            status = 1;
        }
        resources->volumeLocked = 0;
    }
    if (!platformClose(resources->volumeHandle)) {
        fprintf(out, "%s Failed: Close volume %s\n", resources->programName, resources->driveName);
        status = 1;
    }
    resources->volumeHandle = PLATFORM_INVALID_HANDLE;
    return status;
}
