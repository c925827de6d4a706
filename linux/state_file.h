// Small files in the state directory (boot counter, password hash), changed
// under a lock shared with other processes and replaced whole, so that a
// crash leaves either the old or the new content.
#ifndef OMBIX_LINUX_STATE_FILE_H
#define OMBIX_LINUX_STATE_FILE_H

#include <functional>
#include <string>

namespace ombix::linux_board {

// Reads `name` in `directory` ("" when it does not exist yet) and hands it to
// `change`, which returns 0 to keep the file, 1 after changing the text (it is
// then written), or a negative value to stop with that code. The directory is
// made (mode 0700) when missing. Returns 0, an errno value (positive), or
// change's negative code.
int update_state_file(const std::string &directory, const std::string &name,
                      const std::function<int(std::string &text)> &change);

}  // namespace ombix::linux_board

#endif
