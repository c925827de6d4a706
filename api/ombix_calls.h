/*
 * The 88 calls of the board hardware API, one line each: name and arguments.
 *
 * This is an X-macro list with no include guard. A header that includes it
 * first defines OMBIX_CALL(name, arguments) to turn each line into the
 * declaration it needs: ombix_api.h declares the local functions
 * (Ombix<name>), ombixRemoteCall.h the client stubs (OmbixR_<name>). The
 * first argument is always the 32-bit handle; inputs follow, then outputs.
 */

/* Identification, counters, up time, intruder status. */
OMBIX_CALL(GetBoardInfo, (int32_t handle, BOARD_INFO *boardInfo))
OMBIX_CALL(GetLibVersion, (int32_t handle, LIB_VERSION *libVersion))
OMBIX_CALL(GetBootCounter, (int32_t handle, int32_t *bootCount))
OMBIX_CALL(SystemUpTime, (int32_t handle, int32_t *systemUpTime))
OMBIX_CALL(GetIntruderStatus, (int32_t handle, int32_t *intruderStatus))
OMBIX_CALL(ResetIntruderStatus, (int32_t handle))

/* CPU, chipset and system. */
OMBIX_CALL(GetCpuInfo, (int32_t handle, CPU_INFO *cpuInfo))
OMBIX_CALL(GetCpuFreq, (int32_t handle, int8_t freqType, int32_t *frequency))
OMBIX_CALL(GetCpuTemp, (int32_t handle, int32_t cpuNr, int32_t *cpuTemp))
OMBIX_CALL(GetCpuPerformance, (int32_t handle, int8_t *performancePercentage))
OMBIX_CALL(SetCpuPerformance, (int32_t handle, int8_t performancePercentage))
OMBIX_CALL(GetChipsetTemp, (int32_t handle, int32_t *chipsetTemp))
OMBIX_CALL(GetSystemTemp, (int32_t handle, int32_t *systemTemp))
OMBIX_CALL(SetSystemState, (int32_t handle, int32_t systemState))
OMBIX_CALL(Passwd, (int32_t handle, const char *newPassword, const char *oldPassword))

/* Performance states. */
OMBIX_CALL(GetPerformanceState, (int32_t handle, uint32_t *state))
OMBIX_CALL(SetPerformanceState, (int32_t handle, uint32_t state))
OMBIX_CALL(PerformanceStateCaps, (int32_t handle, uint32_t *statesMask))
OMBIX_CALL(GetPerformanceStateDescription, (int32_t handle, uint32_t state, uint8_t *description))

/* Memory. */
OMBIX_CALL(GetMemoryInfo, (int32_t handle, MEMORY_INFO *memoryInfo))
OMBIX_CALL(GetMemoryModuleCount, (int32_t handle, int32_t *memoryModuleCount))
OMBIX_CALL(GetMemoryModuleInfo, (int32_t handle, int8_t moduleNr, MEMORY_MODULE *memoryModule))

/* Disk drives, partitions and SMART data. */
OMBIX_CALL(GetDiskDriveCount, (int32_t handle, int32_t *diskDriveCount))
OMBIX_CALL(GetDiskDriveList, (int32_t handle, DISK_DRIVE *diskDrives, int32_t diskDriveCount))
OMBIX_CALL(GetDiskDrivePartitionCount, (int32_t handle, int32_t *diskPartitionCount))
OMBIX_CALL(GetDiskDrivePartitionList, (int32_t handle, DISK_PARTITION *pDiskPartitionData, int32_t diskPartitionCount))
OMBIX_CALL(GetDiskDriveSMARTAttrCount, (int32_t handle, int32_t diskNr, int32_t *attrCount))
OMBIX_CALL(GetDiskDriveSMARTAttrs, (int32_t handle, int32_t diskNr, SMART_ATTRIBUTE *attrs, int32_t attrCount))

/* Batteries. */
OMBIX_CALL(GetBatteryCount, (int32_t handle, int8_t *batteryCount))
OMBIX_CALL(GetBatteryInfo, (int32_t handle, int8_t slotNr, BATTERY_INFO *batteryInfo))
OMBIX_CALL(GetBatteryState, (int32_t handle, int8_t slotNr, BATTERY_STATE *batteryState))

/* Temperature and voltage sensors. */
OMBIX_CALL(GetTempSensorCount, (int32_t handle, int32_t *tempSensorCount))
OMBIX_CALL(GetTempSensorList, (int32_t handle, SENSOR_VALUE *tempSensors, int32_t tempSensorCount))
OMBIX_CALL(GetTempSensorValue, (int32_t handle, int32_t tempSensorNr, int32_t *tempSensorValue))
OMBIX_CALL(GetVoltageSensorCount, (int32_t handle, int32_t *voltageSensorCount))
OMBIX_CALL(GetVoltageSensorList, (int32_t handle, SENSOR_VALUE *voltageSensors, int32_t voltageSensorCount))
OMBIX_CALL(GetVoltageSensorValue, (int32_t handle, int32_t voltageSensorNr, int32_t *voltageSensorValue))

/* Fans and fan modes. */
OMBIX_CALL(GetFanCount, (int32_t handle, int32_t *fanCount))
OMBIX_CALL(GetFanList, (int32_t handle, FAN_INFO *fans, int32_t fanCount))
OMBIX_CALL(GetFanSpeed, (int32_t handle, int32_t fanNr, uint8_t *pwm, int32_t *rpm))
OMBIX_CALL(GetFanMode, (int32_t handle, int32_t fanNr, uint8_t *fanMode))
OMBIX_CALL(SetFanModeManual, (int32_t handle, int32_t fanNr, uint8_t targetPwm))
OMBIX_CALL(SetFanModeManualRpm, (int32_t handle, int32_t fanNr, uint32_t targetRpm))
OMBIX_CALL(SetFanModeThermalCruise, (int32_t handle, uint32_t fanNr, uint32_t targetTemp, uint32_t toleranceTemp))
OMBIX_CALL(GetCpuFanSpeed, (int32_t handle, int32_t *cpuFanRpm))
OMBIX_CALL(SetCpuFanSpeed, (int32_t handle, uint8_t cpuFanSpeedPwm))
OMBIX_CALL(SetCpuFanSpeedRpm, (int32_t handle, uint32_t cpuFanSpeedRpm))
OMBIX_CALL(GetSystemFanSpeed, (int32_t handle, int32_t *systemFanRpm))
OMBIX_CALL(SetSystemFanSpeed, (int32_t handle, uint8_t systemFanSpeedPwm))
OMBIX_CALL(SetSystemFanSpeedRpm, (int32_t handle, uint32_t systemFanSpeedRpm))

/* Displays and backlight. */
OMBIX_CALL(GetDisplayCount, (int32_t handle, int32_t *displayCount))
OMBIX_CALL(GetBacklightValue, (int32_t handle, int32_t displayNr, int32_t *backlight))
OMBIX_CALL(SetBacklightValue, (int32_t handle, int32_t displayNr, int32_t backlight))

/* Network and PCI devices. */
OMBIX_CALL(GetNetworkDeviceCount, (int32_t handle, int32_t *networkDeviceCount))
OMBIX_CALL(GetNetworkDeviceList, (int32_t handle, NETWORK_DEVICE *networkDevices, int32_t networkDeviceCount))
OMBIX_CALL(GetPciDeviceCount, (int32_t handle, int32_t *pciDeviceCount))
OMBIX_CALL(GetPciDeviceList, (int32_t handle, PCI_DEVICE *pciDevices, int32_t pciDeviceCount))

/* User storage. */
OMBIX_CALL(GetStorageCount, (int32_t handle, int32_t *storageCount))
OMBIX_CALL(GetStorageSize, (int32_t handle, int32_t storageNr, int32_t *storageSize))
OMBIX_CALL(StorageRead, (int32_t handle, int32_t storageNr, int32_t offset, uint8_t *data, int32_t dataLength))
OMBIX_CALL(StorageWrite, (int32_t handle, int32_t storageNr, int32_t offset, const uint8_t *data, int32_t dataLength))

/* I2C buses. */
OMBIX_CALL(GetI2cBusCount, (int32_t handle, uint8_t *i2cBusCount))
OMBIX_CALL(I2cProbe,
           (int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, uint8_t memoryAddressUsed))
OMBIX_CALL(I2cRead, (int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress,
                     uint8_t memoryAddressUsed, uint8_t *data, uint32_t *dataLength))
OMBIX_CALL(I2cWrite, (int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, const uint8_t *data,
                      uint32_t dataLength))
OMBIX_CALL(I2cXfer, (int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, const uint8_t *writeData, uint32_t writeLength,
                     uint8_t *readData, uint32_t *readLength))

/* SMBus. */
OMBIX_CALL(GetSmbusCount, (int32_t handle, uint8_t *smbusCount))
OMBIX_CALL(SmbusQuickCommand, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t operation))
OMBIX_CALL(SmbusSendByte, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t byte))
OMBIX_CALL(SmbusReceiveByte, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t *byte))
OMBIX_CALL(SmbusWriteByte, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t byte))
OMBIX_CALL(SmbusReadByte, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *byte))
OMBIX_CALL(SmbusWriteWord, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t word))
OMBIX_CALL(SmbusReadWord, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t *word))
OMBIX_CALL(SmbusWriteBlock, (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command,
                             const uint8_t *data, uint8_t dataLength))
OMBIX_CALL(SmbusReadBlock,
           (int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *data, uint8_t *dataLength))

/* SPI buses. */
OMBIX_CALL(GetSpiBusCount, (int32_t handle, uint8_t *spiBusCount))
OMBIX_CALL(SpiXfer, (int32_t handle, uint8_t spiNr, uint16_t deviceId, uint32_t command, uint8_t commandSize,
                     uint32_t numTransfers, const uint8_t *writeData, uint8_t *readData))

/* GPIO lines. */
OMBIX_CALL(GpioGetCount, (int32_t handle, uint32_t *gpioCount))
OMBIX_CALL(GpioGetDirection, (int32_t handle, uint32_t gpioNr, uint8_t *direction))
OMBIX_CALL(GpioGetDirectionCaps, (int32_t handle, uint32_t gpioNr, uint8_t *isInput, uint8_t *isOutput))
OMBIX_CALL(GpioSetDirection, (int32_t handle, uint32_t gpioNr, uint8_t direction))
OMBIX_CALL(GpioGetLevel, (int32_t handle, uint32_t gpioNr, uint8_t *level))
OMBIX_CALL(GpioSetLevel, (int32_t handle, uint32_t gpioNr, uint8_t level))

/* Watchdog. */
OMBIX_CALL(WatchdogGetCap, (int32_t handle, int32_t *maxTimeout))
OMBIX_CALL(WatchdogEnable, (int32_t handle, int32_t timeout))
OMBIX_CALL(WatchdogTrigger, (int32_t handle))
OMBIX_CALL(WatchdogDisable, (int32_t handle))
