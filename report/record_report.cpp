#include "board_report.h"

namespace ombix::report {

int print_record_sections(std::FILE *, std::int32_t) { return 0; }

}  // namespace ombix::report
