// The per-thread text behind OmbixTransportLastError.
#ifndef OMBIX_TRANSPORT_LAST_ERROR_H
#define OMBIX_TRANSPORT_LAST_ERROR_H

#include <string>

namespace ombix::transport {

void set_last_error(std::string text);
void clear_last_error();

}  // namespace ombix::transport

#endif
