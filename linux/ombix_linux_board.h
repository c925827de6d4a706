/*
 * The Linux board: the local board hardware API (ombix_api.h) on a machine
 * running Linux, read and controlled through the kernel's own interfaces
 * (hwmon, power_supply, backlight, DMI, cpufreq, the GPIO character device,
 * /dev/watchdog, nvmem, block devices). docs/linux-board.md maps every call to its kernel source.
 *
 * Besides the 88 Ombix functions the library exports OmbixApiThreadSafe (it
 * may be entered from several threads at once) and one configuration entry,
 * OmbixLinuxBoardConfigure. Without a call to it, the first call of the API
 * configures the board with the defaults: no board file, the real root, the
 * state directory /var/lib/ombix.
 */
#ifndef OMBIX_LINUX_OMBIX_LINUX_BOARD_H
#define OMBIX_LINUX_OMBIX_LINUX_BOARD_H

#include <stdint.h>

#include "ombix_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Return codes of the Linux board, besides OMBIX_RC_OK. None collides with the
 * protocol's 0, 1, 12, 16 and 65543 or with the transports' 0x20001 and up.
 */
/* The device number names no device: sensor, fan, display, battery, memory module, GPIO line, CPU, state. */
#define OMBIX_LINUX_RC_NO_DEVICE 0x30001
/* The board has no such device or the call is not supported on it (no cpufreq, no watchdog, a fan without pwm). */
#define OMBIX_LINUX_RC_NOT_SUPPORTED 0x30002
/* The board file does not permit it (a system state it does not enable). */
#define OMBIX_LINUX_RC_NOT_PERMITTED 0x30003
/* An argument out of its range: a percentage above 100, a direction or level above 1, an unknown type, a NULL. */
#define OMBIX_LINUX_RC_INVALID_ARGUMENT 0x30004
/* Passwd: the old password is not the one kept. */
#define OMBIX_LINUX_RC_WRONG_PASSWORD 0x30005
/* The GPIO line is held by another consumer (a kernel driver or another program). */
#define OMBIX_LINUX_RC_LINE_BUSY 0x30006
/* GpioSetLevel on a line that is not an output. */
#define OMBIX_LINUX_RC_NOT_AN_OUTPUT 0x30007
/* WatchdogDisable: the driver refuses to stop (nowayout); the watchdog stays enabled and must be triggered. */
#define OMBIX_LINUX_RC_WATCHDOG_NOT_STOPPED 0x30008
/* WatchdogTrigger or WatchdogDisable while this library has not enabled the watchdog. */
#define OMBIX_LINUX_RC_WATCHDOG_NOT_ENABLED 0x30009
/* OmbixLinuxBoardConfigure: the board file cannot be read or is not a valid board file. */
#define OMBIX_LINUX_RC_BAD_BOARD_FILE 0x3000A
/* A value the kernel reported cannot be represented (out of the output's range). */
#define OMBIX_LINUX_RC_OUT_OF_RANGE 0x3000B
/* StorageRead, StorageWrite: offset plus byte count reaches past the end of the storage area; nothing moved. */
#define OMBIX_LINUX_RC_PAST_END 0x3000C
/* I2C and SMBus: no device acknowledged its address (a missing chip). */
#define OMBIX_LINUX_RC_NO_ANSWER 0x30010
/* I2C and SMBus: a kernel driver owns the address; the board file's "i2c.force" permits it. */
#define OMBIX_LINUX_RC_ADDRESS_BUSY 0x30011

/* An operating system failure: 0x31000 plus the errno value (1 to 4095). */
#define OMBIX_LINUX_RC_OS_ERROR_BASE 0x31000
#define OMBIX_LINUX_RC_OS_ERROR(errnum) (OMBIX_LINUX_RC_OS_ERROR_BASE + (errnum))
#define OMBIX_LINUX_RC_IS_OS_ERROR(code) \
    ((code) > OMBIX_LINUX_RC_OS_ERROR_BASE && (code) < OMBIX_LINUX_RC_OS_ERROR_BASE + 4096)
#define OMBIX_LINUX_RC_ERRNO(code) ((code)-OMBIX_LINUX_RC_OS_ERROR_BASE)

/* The library version reported by OmbixGetLibVersion: 0x00MMmmpp. */
#define OMBIX_LINUX_BOARD_VERSION 0x00010000u

/* Settings of the board. Every member may be NULL (or ""), which selects its default. */
typedef struct OMBIX_LINUX_BOARD_SETTINGS {
    /* A board file (JSON, docs/linux-board.md) that overrides the defaults; NULL: none. */
    const char *boardFile;
    /* Where the boot counter and the password hash are kept; NULL: /var/lib/ombix (made when missing). */
    const char *stateDirectory;
    /* A folder standing for "/" for the sysfs, procfs and /dev paths the library reads; NULL: "/". For tests
     * with a fake sysfs tree: hwmon chips are then found by scanning the tree, not through libsensors, and the
     * network addresses and GPIO character devices are not read. */
    const char *rootPrefix;
} OMBIX_LINUX_BOARD_SETTINGS;

/*
 * Configures the board from `settings` (NULL: all defaults) and finds its
 * devices anew: hwmon chips, GPIO chips, displays, batteries, PCI devices,
 * watchdogs. Device numbers stay valid until the next call. Lines this
 * library drives are released, an enabled watchdog is left as it is.
 * Returns OMBIX_RC_OK, or OMBIX_LINUX_RC_BAD_BOARD_FILE (the board keeps its
 * previous configuration). The library copies what it needs from `settings`.
 */
int32_t OmbixLinuxBoardConfigure(const OMBIX_LINUX_BOARD_SETTINGS *settings);

/* Defined as 1: every function of this library may be entered from several threads at once. */
extern const int32_t OmbixApiThreadSafe;

#ifdef __cplusplus
}
#endif

#endif
