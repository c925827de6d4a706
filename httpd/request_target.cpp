#include "request_target.h"

namespace ombixd {
namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool decode_path(std::string_view target, std::string &path) {
    path.clear();
    if (target.empty() || target.front() != '/') return false;
    target = target.substr(0, target.find_first_of("?#"));
    path.reserve(target.size());
    for (std::size_t k = 0; k < target.size(); ++k) {
        char c = target[k];
        if (c != '%') {
            path += c;
            continue;
        }
        if (k + 2 >= target.size()) return false;
        int high = hex_value(target[k + 1]);
        int low = hex_value(target[k + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
        path += static_cast<char>(high * 16 + low);
        k += 2;
    }
    return true;
}

}  // namespace ombixd
