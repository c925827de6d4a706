// Disk drives and user storage are not served yet: every call answers
// OMBIX_LINUX_RC_NOT_SUPPORTED and sets no output.
#include "ombix_linux_board.h"

extern "C" {

#define OMBIX_NOT_SUPPORTED(name, arguments) \
    int32_t Ombix##name arguments {          \
        return OMBIX_LINUX_RC_NOT_SUPPORTED; \
    }

OMBIX_NOT_SUPPORTED(GetDiskDriveCount, (int32_t, int32_t *))
OMBIX_NOT_SUPPORTED(GetDiskDriveList, (int32_t, DISK_DRIVE *, int32_t))
OMBIX_NOT_SUPPORTED(GetDiskDrivePartitionCount, (int32_t, int32_t *))
OMBIX_NOT_SUPPORTED(GetDiskDrivePartitionList, (int32_t, DISK_PARTITION *, int32_t))
OMBIX_NOT_SUPPORTED(GetDiskDriveSMARTAttrCount, (int32_t, int32_t, int32_t *))
OMBIX_NOT_SUPPORTED(GetDiskDriveSMARTAttrs, (int32_t, int32_t, SMART_ATTRIBUTE *, int32_t))
OMBIX_NOT_SUPPORTED(GetStorageCount, (int32_t, int32_t *))
OMBIX_NOT_SUPPORTED(GetStorageSize, (int32_t, int32_t, int32_t *))
OMBIX_NOT_SUPPORTED(StorageRead, (int32_t, int32_t, int32_t, uint8_t *, int32_t))
OMBIX_NOT_SUPPORTED(StorageWrite, (int32_t, int32_t, int32_t, const uint8_t *, int32_t))

#undef OMBIX_NOT_SUPPORTED

}  // extern "C"
