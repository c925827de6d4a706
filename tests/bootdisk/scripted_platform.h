// A platform double for the run flow: an in-memory volume and sector files, a
// log of every operation, and a fault that can be set on any operation.
#ifndef OMBIX_TESTS_BOOTDISK_SCRIPTED_PLATFORM_H
#define OMBIX_TESTS_BOOTDISK_SCRIPTED_PLATFORM_H

#include <map>
#include <string>
#include <vector>

#include "platform.h"

namespace ombix::bootdisk {

enum class PlatformStep {
    OpenVolume,
    LockVolume,
    UnlockVolume,
    Geometry,
    Partition,
    Seek,
    ReadVolume,
    WriteVolume,
    OpenFileForReading,
    CreateTemporaryFile,
    ReadFile,
    WriteFile,
    FlushFile,
    RenameFile,
    RemoveFile,
    CloseVolume,
    CloseFile,
    Allocate
};

enum class Fault { Fail, Partial };

struct ScriptedFault {
    Fault fault;
    int on_call;  // 1 for the first call of the step
};

using Bytes = std::vector<unsigned char>;

struct ScriptedPlatform {
    VolumeGeometry geometry;
    PartitionPlacement partition;
    Bytes volume;                        // the volume's first sector
    std::map<std::string, Bytes> files;  // a temporary file is the name with ".tmp" added
    std::map<PlatformStep, ScriptedFault> faults;
    // "open volume E: for writing", "lock", "read volume", "free", ...; a
    // failed operation is logged with " failed" appended.
    std::vector<std::string> log;
    int open_handles = 0;
    int held_blocks = 0;
};

// Resets the double to a 1.44 MB floppy whose first sector is sector0.
ScriptedPlatform &reset_scripted_platform(const Bytes &sector0);
ScriptedPlatform &scripted_platform();

}  // namespace ombix::bootdisk

#endif
