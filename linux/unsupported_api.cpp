// The I2C, SMBus and SPI buses are not served
// yet: every call answers OMBIX_LINUX_RC_NOT_SUPPORTED and sets no output.
#include "ombix_linux_board.h"

extern "C" {

#define OMBIX_NOT_SUPPORTED(name, arguments) \
    int32_t Ombix##name arguments {          \
        return OMBIX_LINUX_RC_NOT_SUPPORTED; \
    }

OMBIX_NOT_SUPPORTED(GetI2cBusCount, (int32_t, uint8_t *))
OMBIX_NOT_SUPPORTED(I2cProbe, (int32_t, uint8_t, uint8_t, uint8_t, uint8_t))
OMBIX_NOT_SUPPORTED(I2cRead, (int32_t, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t *, uint32_t *))
OMBIX_NOT_SUPPORTED(I2cWrite, (int32_t, uint8_t, uint8_t, uint8_t, const uint8_t *, uint32_t))
OMBIX_NOT_SUPPORTED(I2cXfer, (int32_t, uint8_t, uint8_t, const uint8_t *, uint32_t, uint8_t *, uint32_t *))
OMBIX_NOT_SUPPORTED(GetSmbusCount, (int32_t, uint8_t *))
OMBIX_NOT_SUPPORTED(SmbusQuickCommand, (int32_t, uint8_t, uint8_t, uint8_t))
OMBIX_NOT_SUPPORTED(SmbusSendByte, (int32_t, uint8_t, uint8_t, uint8_t))
OMBIX_NOT_SUPPORTED(SmbusReceiveByte, (int32_t, uint8_t, uint8_t, uint8_t *))
OMBIX_NOT_SUPPORTED(SmbusWriteByte, (int32_t, uint8_t, uint8_t, uint8_t, uint8_t))
OMBIX_NOT_SUPPORTED(SmbusReadByte, (int32_t, uint8_t, uint8_t, uint8_t, uint8_t *))
OMBIX_NOT_SUPPORTED(SmbusWriteWord, (int32_t, uint8_t, uint8_t, uint8_t, uint16_t))
OMBIX_NOT_SUPPORTED(SmbusReadWord, (int32_t, uint8_t, uint8_t, uint8_t, uint16_t *))
OMBIX_NOT_SUPPORTED(SmbusWriteBlock, (int32_t, uint8_t, uint8_t, uint8_t, const uint8_t *, uint8_t))
OMBIX_NOT_SUPPORTED(SmbusReadBlock, (int32_t, uint8_t, uint8_t, uint8_t, uint8_t *, uint8_t *))
OMBIX_NOT_SUPPORTED(GetSpiBusCount, (int32_t, uint8_t *))
OMBIX_NOT_SUPPORTED(SpiXfer, (int32_t, uint8_t, uint16_t, uint32_t, uint8_t, uint32_t, const uint8_t *, uint8_t *))

#undef OMBIX_NOT_SUPPORTED

}  // extern "C"
