#include "last_error.h"

#include "ombix_transport_codes.h"

namespace ombix::transport {
namespace {
thread_local std::string last_error;
}

void set_last_error(std::string text) {
    last_error = std::move(text);
}
void clear_last_error() {
    last_error.clear();
}

}  // namespace ombix::transport

extern "C" const char *OmbixTransportLastError(void) {
    return ombix::transport::last_error.c_str();
}
