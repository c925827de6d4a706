/*
 * Records of the board hardware API.
 *
 * Plain structures, fields in wire order, each at its natural alignment. The
 * local API fills them on the server, the client stubs fill the caller's copy.
 * Text fields hold NUL-terminated text of at most 127 characters.
 */
#ifndef OMBIX_RECORDS_H
#define OMBIX_RECORDS_H

#include "ombix_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Board and BIOS identification. */
typedef struct BOARD_INFO {
    char boardManufacturer[OMBIX_TEXT_SIZE];
    char boardName[OMBIX_TEXT_SIZE];
    char boardVersion[OMBIX_TEXT_SIZE];
    char boardSerialNumber[OMBIX_TEXT_SIZE];
    char biosVersion[OMBIX_TEXT_SIZE];
    char biosDate[OMBIX_TEXT_SIZE];
} BOARD_INFO;

/* Processor description. */
typedef struct CPU_INFO {
    char cpuName[OMBIX_TEXT_SIZE];
    int32_t cpuCount;
    int32_t cpuCoreCount;
    int32_t cpuThreadCount;
    float cpuMaxCoreSpeed;
    int32_t fsbSpeed;
    int32_t l1Cache;
    int32_t l2Cache;
    int32_t l3Cache;
} CPU_INFO;

/* Memory summary. */
typedef struct MEMORY_INFO {
    int32_t memTotal;
    int32_t memFree;
    int32_t memSpeed;
    char memType[OMBIX_TEXT_SIZE];
} MEMORY_INFO;

/* One memory module. */
typedef struct MEMORY_MODULE {
    int32_t moduleSize;
    char manufacturer[OMBIX_TEXT_SIZE];
    char partNumber[OMBIX_TEXT_SIZE];
    char serialNumber[OMBIX_TEXT_SIZE];
} MEMORY_MODULE;

/* Version of the hardware API library. */
typedef struct LIB_VERSION {
    char OmbixVersionText[OMBIX_TEXT_SIZE];
    uint32_t OmbixVersion;
} LIB_VERSION;

/* Fixed data of one battery. */
typedef struct BATTERY_INFO {
    char deviceName[OMBIX_TEXT_SIZE];
    char type[OMBIX_TEXT_SIZE];
    char serialNumber[OMBIX_TEXT_SIZE];
    int32_t designedVoltage;
    int32_t designedCapacity;
    int32_t fullyChargedCapacity;
    int32_t cycleCount;
} BATTERY_INFO;

/* Current state of one battery. */
typedef struct BATTERY_STATE {
    int32_t powerState;
    int32_t fullBatteryRemainingTime;
    int32_t remainingTime;
    int32_t remainingCapacity;
    int32_t currentVoltage;
    int32_t rate;
    int32_t chargeState;
} BATTERY_STATE;

/* One PCI function. */
typedef struct PCI_DEVICE {
    int32_t domain;
    int32_t bus;
    int32_t slot;
    int32_t funct;
    int32_t deviceId;
    int32_t vendorId;
    int32_t classId;
    char deviceName[OMBIX_TEXT_SIZE];
    char vendorName[OMBIX_TEXT_SIZE];
    char className[OMBIX_TEXT_SIZE];
} PCI_DEVICE;

/* One temperature or voltage sensor reading. */
typedef struct SENSOR_VALUE {
    char name[OMBIX_TEXT_SIZE];
    int32_t value;
} SENSOR_VALUE;

/* One fan. */
typedef struct FAN_INFO {
    char name[OMBIX_TEXT_SIZE];
    uint32_t rpm;
    uint8_t pwm;
    uint8_t powerMode;
    uint8_t method;
} FAN_INFO;

/* One disk drive. */
typedef struct DISK_DRIVE {
    char name[OMBIX_TEXT_SIZE];
    char model[OMBIX_TEXT_SIZE];
    char diskSerialNumber[OMBIX_TEXT_SIZE];
    uint32_t size;
} DISK_DRIVE;

/* One disk partition. */
typedef struct DISK_PARTITION {
    char name[OMBIX_TEXT_SIZE];
    char fsType[OMBIX_TEXT_SIZE];
    uint32_t partitionSize;
    uint32_t freeSpace;
} DISK_PARTITION;

/* One SMART attribute of a disk. */
typedef struct SMART_ATTRIBUTE {
    uint8_t attrID;
    uint16_t statusFlags;
    uint8_t attrValue;
    uint8_t worstValue;
    uint8_t rawValue[6];
} SMART_ATTRIBUTE;

/* One network device. */
typedef struct NETWORK_DEVICE {
    char ip[OMBIX_TEXT_SIZE];
    char mac[OMBIX_TEXT_SIZE];
    int32_t speed;
    char deviceName[OMBIX_TEXT_SIZE];
} NETWORK_DEVICE;

#ifdef __cplusplus
}
#endif

#endif
