// The volume and sector-file steps of a run on the platform operations.
#include "volume_access.h"

namespace ombix::bootdisk {

namespace {

bool read_exactly(PlatformHandle handle, unsigned char *buffer, uint32_t length, const RunResources *resources,
                  const char *name, FILE *out) {
    uint32_t transferred = 0;
    if (!platform_read(handle, buffer, length, &transferred)) {
        fprintf(out, "%s Failed: ReadFile on %s\n", resources->program_name, name);
        return false;
    }
    if (transferred != length) {
        fprintf(out, "%s Failed: Partial ReadFile on %s\n", resources->program_name, name);
        return false;
    }
    return true;
}

bool write_exactly(PlatformHandle handle, const unsigned char *buffer, uint32_t length, const RunResources *resources,
                   const char *name, FILE *out) {
    uint32_t transferred = 0;
    if (!platform_write(handle, buffer, length, &transferred)) {
        fprintf(out, "%s Failed: WriteFile on %s\n", resources->program_name, name);
        return false;
    }
    if (transferred != length) {
        fprintf(out, "%s Failed: Partial WriteFile on %s\n", resources->program_name, name);
        return false;
    }
    return true;
}

bool seek_volume_start(const RunResources *resources, FILE *out) {
    if (!platform_seek_to_start(resources->volume_handle)) {
        fprintf(out, "%s Failed: SetFilePointer on %s\n", resources->program_name, resources->drive_name);
        return false;
    }
    return true;
}

bool obtain_partitioned_medium(const RunResources *resources, const VolumeGeometry &geometry, MediumParameters *medium,
                               FILE *out) {
    PartitionPlacement partition;
    if (!platform_partition_placement(resources->volume_handle, &partition)) {
        fprintf(out, "%s Failed: Get Partition Info Removable or Fixed Hard Disk %s\n", resources->program_name,
                resources->drive_name);
        return false;
    }
    if (!is_known_partition_type(partition.partition_type)) {
        fprintf(out, "%s Failed: Unknown Partition Type %d on Removable or Fixed Hard Disk %s\n",
                resources->program_name, static_cast<int>(partition.partition_type), resources->drive_name);
        return false;
    }
    *medium = partitioned_medium_parameters(geometry, partition);
    return true;
}

}  // namespace

bool open_volume(RunResources *resources, bool for_writing, FILE *out) {
    resources->volume_handle = platform_open_volume(resources->drive_name, for_writing);
    if (resources->volume_handle == kInvalidHandle) {
        fprintf(out, "%s Failed: Open %s\n", resources->program_name, resources->drive_name);
        return false;
    }
    return true;
}

bool lock_volume(RunResources *resources, FILE *out) {
    if (!platform_lock_volume(resources->volume_handle)) {
        fprintf(out, "%s Failed: Exclusive access %s\n", resources->program_name, resources->drive_name);
        return false;
    }
    resources->volume_locked = true;
    return true;
}

bool obtain_medium_parameters(RunResources *resources, MediumParameters *medium, FILE *out) {
    VolumeGeometry geometry;
    if (!platform_volume_geometry(resources->volume_handle, &geometry)) {
        fprintf(out, "%s Failed: Get Disk Geometry %s\n", resources->program_name, resources->drive_name);
        return false;
    }
    // The sector buffer and the divisions that follow need a size they can work with.
    if (!is_usable_sector_size(geometry.bytes_per_sector)) {
        fprintf(out, "%s Failed: Unsupported sector size %u on %s\n", resources->program_name,
                static_cast<unsigned>(geometry.bytes_per_sector), resources->drive_name);
        return false;
    }
    switch (geometry.kind) {
        case MediumKind::Partitioned: return obtain_partitioned_medium(resources, geometry, medium, out);
        case MediumKind::Floppy: *medium = floppy_medium_parameters(geometry); return true;
        case MediumKind::Unrecognized: break;
    }
    fprintf(out, "%s Failed: Unknown Floppy Disk Media Type %d on %s\n", resources->program_name,
            static_cast<int>(geometry.media_code), resources->drive_name);
    return false;
}

unsigned char *allocate_sector_buffer(RunResources *resources, uint32_t bytes_per_sector, FILE *out) {
    void *block = platform_allocate(2 * static_cast<size_t>(bytes_per_sector) - 1);
    if (block == nullptr) {
        fprintf(out, "%s Failed: No buffer memory\n", resources->program_name);
        return nullptr;
    }
    resources->buffer_block = block;
    const uintptr_t address = reinterpret_cast<uintptr_t>(block);
    const uintptr_t alignment = bytes_per_sector;
    return static_cast<unsigned char *>(block) + (alignment - address % alignment) % alignment;
}

bool read_volume_sector(RunResources *resources, unsigned char *buffer, uint32_t bytes_per_sector, FILE *out) {
    return seek_volume_start(resources, out) &&
           read_exactly(resources->volume_handle, buffer, bytes_per_sector, resources, resources->drive_name, out);
}

bool write_volume_sector(RunResources *resources, const unsigned char *buffer, uint32_t bytes_per_sector, FILE *out) {
    return seek_volume_start(resources, out) &&
           write_exactly(resources->volume_handle, buffer, bytes_per_sector, resources, resources->drive_name, out);
}

bool read_sector_file(RunResources *resources, unsigned char *buffer, uint32_t bytes_per_sector, FILE *out) {
    resources->file_handle = platform_open_file_for_reading(resources->file_name);
    if (resources->file_handle == kInvalidHandle) {
        fprintf(out, "%s Failed: Open Read on %s\n", resources->program_name, resources->file_name);
        return false;
    }
    return read_exactly(resources->file_handle, buffer, bytes_per_sector, resources, resources->file_name, out);
}

bool write_sector_file(RunResources *resources, const unsigned char *buffer, uint32_t bytes_per_sector, FILE *out) {
    const char *program = resources->program_name;
    const char *name = resources->file_name;
    resources->file_handle =
        platform_create_temporary_file(name, resources->temporary_file_name, sizeof resources->temporary_file_name);
    if (resources->file_handle == kInvalidHandle) {
        resources->temporary_file_name[0] = '\0';
        fprintf(out, "%s Failed: Open Write on %s\n", program, name);
        return false;
    }
    if (!write_exactly(resources->file_handle, buffer, bytes_per_sector, resources, name, out)) return false;
    if (!platform_flush(resources->file_handle)) {
        fprintf(out, "%s Failed: Flush File %s\n", program, name);
        return false;
    }
    // Closed before the rename, which some systems refuse for an open file;
    // from here on the release only has the temporary file to remove.
    const PlatformHandle file = resources->file_handle;
    resources->file_handle = kInvalidHandle;
    if (!platform_close(file)) {
        fprintf(out, "%s Failed: Close File %s\n", program, name);
        return false;
    }
    if (!platform_rename_file(resources->temporary_file_name, name)) {
        fprintf(out, "%s Failed: Rename to File %s\n", program, name);
        return false;
    }
    resources->temporary_file_name[0] = '\0';
    return true;
}

}  // namespace ombix::bootdisk
