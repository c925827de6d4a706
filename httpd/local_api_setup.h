// Preparing the local board API for a long-running server, before it serves.
#ifndef OMBIXD_LOCAL_API_SETUP_H
#define OMBIXD_LOCAL_API_SETUP_H

namespace ombixd {

void prepare_local_api();

}  // namespace ombixd

#endif
