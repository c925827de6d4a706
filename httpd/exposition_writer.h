// Lines of the Prometheus text format (0.0.4) for the families a scrape
// builds itself: a family's HELP and TYPE once, then one line per series,
// label values escaped, numbers in their shortest exact form. A family
// without series writes nothing.
#ifndef OMBIXD_EXPOSITION_WRITER_H
#define OMBIXD_EXPOSITION_WRITER_H

#include <string>
#include <utility>
#include <vector>

namespace ombixd {

using Labels = std::vector<std::pair<const char *, std::string>>;

// A text the board gave, fit for a label value: its bytes up to the first
// NUL, with anything that is not UTF-8 shown as '?'.
std::string text_of(const char *board_text);

class Family {
public:
    Family(const char *name, const char *help, const char *type) : name_(name), help_(help), type_(type) {}
    // Throws std::bad_alloc.
    void add(const Labels &labels, double value);
    void append(std::string &out) const;

private:
    const char *name_;
    const char *help_;
    const char *type_;
    std::string lines_;
};

}  // namespace ombixd

#endif
