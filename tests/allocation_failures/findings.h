// Collects the runs that broke a rule, reporting the first few in full so a
// broken build does not print thousands of them.
#ifndef OMBIX_TEST_FINDINGS_H
#define OMBIX_TEST_FINDINGS_H

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace ombix::test {

class Findings {
public:
    void add(const std::string &what) {
        if (++count_ <= kShown) ADD_FAILURE() << what;
    }
    std::size_t count() const { return count_; }

private:
    static constexpr std::size_t kShown = 12;
    std::size_t count_ = 0;
};

}  // namespace ombix::test

#endif
