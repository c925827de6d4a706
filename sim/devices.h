// Devices on the simulated buses (I2C, SMBus, SPI) that make transfers observable.
#ifndef OMBIX_SIM_DEVICES_H
#define OMBIX_SIM_DEVICES_H

namespace ombix::sim {

struct Devices {};

}  // namespace ombix::sim

#endif
