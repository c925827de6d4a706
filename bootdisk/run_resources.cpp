// The release of what a run holds, step by step in a fixed order.
#include "run_resources.h"

namespace ombix::bootdisk {

void init_run_resources(RunResources *resources, const char *program_name, const char *drive_name,
                        const char *file_name) {
    resources->buffer_block = nullptr;
    resources->volume_handle = kInvalidHandle;
    resources->file_handle = kInvalidHandle;
    resources->volume_locked = false;
    resources->program_name = program_name;
    resources->drive_name = drive_name;
    resources->file_name = file_name;
    resources->temporary_file_name[0] = '\0';
}

int ReleaseRunResources(int status, RunResources *resources, FILE *out) {
    if (resources->buffer_block != nullptr) {
        platform_free(resources->buffer_block);
        resources->buffer_block = nullptr;
    }
    if (resources->file_handle != kInvalidHandle) {
        if (!platform_close(resources->file_handle)) {
            fprintf(out, "%s Failed: Close File %s\n", resources->program_name, resources->file_name);
            status = 1;
        }
        resources->file_handle = kInvalidHandle;
    }
    // A sector file that did not get its name must not be left behind.
    if (resources->temporary_file_name[0] != '\0') {
        if (!platform_remove_file(resources->temporary_file_name)) {
            fprintf(out, "%s Failed: Delete File %s\n", resources->program_name, resources->temporary_file_name);
            status = 1;
        }
        resources->temporary_file_name[0] = '\0';
    }
    if (resources->volume_handle == kInvalidHandle) return status;
    if (resources->volume_locked) {
        if (!platform_unlock_volume(resources->volume_handle)) {
            fprintf(out, "%s Failed: Unlock volume %s\n", resources->program_name, resources->drive_name);
            status = 1;
        }
        resources->volume_locked = false;
    }
    if (!platform_close(resources->volume_handle)) {
        fprintf(out, "%s Failed: Close volume %s\n", resources->program_name, resources->drive_name);
        status = 1;
    }
    resources->volume_handle = kInvalidHandle;
    return status;
}

}  // namespace ombix::bootdisk
