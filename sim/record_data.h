// Records and lists the simulated board reports (boards, CPU, memory,
// batteries, disks, PCI and network devices, performance states).
#ifndef OMBIX_SIM_RECORD_DATA_H
#define OMBIX_SIM_RECORD_DATA_H

namespace ombix::sim {

struct RecordData {};

}  // namespace ombix::sim

#endif
