#include "board_report.h"

namespace ombix::report {

int print_board_report(std::FILE *out, std::int32_t handle) {
    return print_scalar_sections(out, handle) + print_record_sections(out, handle);
}

}  // namespace ombix::report
