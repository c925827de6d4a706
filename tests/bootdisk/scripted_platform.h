// A platform double for the run flow: an in-memory volume and sector files, a
// log of every operation, and a fault that can be set on any operation.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform.h"

enum class PlatformStep {
    OpenVolume, LockVolume, UnlockVolume, Geometry, Partition, Seek, ReadVolume,
    WriteVolume, OpenFileForReading, CreateTemporaryFile, ReadFile, WriteFile, FlushFile,
    RenameFile, RemoveFile, CloseVolume, CloseFile, Allocate
};

enum class Fault { Fail, Partial };

struct ScriptedFault {
    Fault fault;
    int onCall;  // 1 for the first call of the step
};

using Bytes = std::vector<unsigned char>;

struct ScriptedPlatform {
    DriveGeometry geometry;
    PartitionInformation partition;
    Bytes volume;  // the volume's first sector
    std::map<std::string, Bytes> files;  // a temporary file is the name with ".tmp" added
    std::map<PlatformStep, ScriptedFault> faults;
    // "open volume \\.\E: for writing", "lock", "read volume", "free", ...;
    // a failed operation is logged with " failed" appended.
    std::vector<std::string> log;
    int openHandles = 0;
    int heldBlocks = 0;
};

// Resets the double to a 1.44 MB floppy whose first sector is sector0.
ScriptedPlatform &resetScriptedPlatform(const Bytes &sector0);
ScriptedPlatform &scriptedPlatform();
