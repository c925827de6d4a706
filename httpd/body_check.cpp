#include "body_check.h"

namespace ombixd {

int nesting_depth(const char *text, std::size_t length, int limit) {
    int depth = 0;
    int deepest = 0;
    bool in_string = false;
    bool escaped = false;
    for (std::size_t k = 0; k < length; ++k) {
        char c = text[k];
        if (in_string) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                in_string = false;
            continue;
        }
        if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > deepest) deepest = depth;
            if (deepest > limit) return limit + 1;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

}  // namespace ombixd
