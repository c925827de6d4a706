// The simulated local API: bus and storage transfers. Not simulated yet: every call reports no device.
#include "ombix_api.h"
#include "sim_control.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

using ombix::sim::kNoDevice;

extern "C" {
int32_t OmbixStorageRead(int32_t handle, int32_t storageNr, int32_t offset, uint8_t *data, int32_t dataLength) { return kNoDevice; }
int32_t OmbixStorageWrite(int32_t handle, int32_t storageNr, int32_t offset, const uint8_t *data, int32_t dataLength) { return kNoDevice; }
int32_t OmbixI2cProbe(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, uint8_t memoryAddressUsed) { return kNoDevice; }
int32_t OmbixI2cRead(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, uint8_t memoryAddressUsed, uint8_t *data, uint32_t *dataLength) { return kNoDevice; }
int32_t OmbixI2cWrite(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, uint8_t memoryAddress, const uint8_t *data, uint32_t dataLength) { return kNoDevice; }
int32_t OmbixI2cXfer(int32_t handle, uint8_t i2cNr, uint8_t i2cAddress, const uint8_t *writeData, uint32_t writeLength, uint8_t *readData, uint32_t *readLength) { return kNoDevice; }
int32_t OmbixSmbusQuickCommand(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t operation) { return kNoDevice; }
int32_t OmbixSmbusSendByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t byte) { return kNoDevice; }
int32_t OmbixSmbusReceiveByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t *byte) { return kNoDevice; }
int32_t OmbixSmbusWriteByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t byte) { return kNoDevice; }
int32_t OmbixSmbusReadByte(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *byte) { return kNoDevice; }
int32_t OmbixSmbusWriteWord(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t word) { return kNoDevice; }
int32_t OmbixSmbusReadWord(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint16_t *word) { return kNoDevice; }
int32_t OmbixSmbusWriteBlock(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, const uint8_t *data, uint8_t dataLength) { return kNoDevice; }
int32_t OmbixSmbusReadBlock(int32_t handle, uint8_t smbusNr, uint8_t smbusAddress, uint8_t command, uint8_t *data, uint8_t *dataLength) { return kNoDevice; }
int32_t OmbixSpiXfer(int32_t handle, uint8_t spiNr, uint16_t deviceId, uint32_t command, uint8_t commandSize, uint32_t numTransfers, const uint8_t *writeData, uint8_t *readData) { return kNoDevice; }
}
