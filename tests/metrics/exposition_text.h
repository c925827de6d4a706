// Reading a Prometheus text exposition back in tests: each sample line's
// series (name and labels, as written) and its value.
#ifndef OMBIX_TEST_METRICS_EXPOSITION_TEXT_H
#define OMBIX_TEST_METRICS_EXPOSITION_TEXT_H

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace ombix::test {

inline std::map<std::string, double> samples(const std::string &exposition) {
    std::map<std::string, double> found;
    std::istringstream lines(exposition);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::size_t space = line.rfind(' ');
        found[line.substr(0, space)] = std::strtod(line.c_str() + space + 1, nullptr);
    }
    return found;
}

// The samples whose series starts with `prefix`.
inline std::size_t count_series(const std::map<std::string, double> &all, const std::string &prefix) {
    std::size_t n = 0;
    for (const auto &[series, value] : all) n += series.compare(0, prefix.size(), prefix) == 0;
    return n;
}

}  // namespace ombix::test

#endif
