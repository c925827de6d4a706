// Checks on a request body made before it is parsed.
#ifndef OMBIXD_BODY_CHECK_H
#define OMBIXD_BODY_CHECK_H

#include <cstddef>

namespace ombixd {

// A parameter list is an array of objects whose values are numbers, texts or
// null: nothing nests deeper than two levels.
inline constexpr int kMaxBodyDepth = 2;

// The deepest nesting of arrays and objects in JSON text, brackets inside
// strings not counted. Stops counting once `limit` is passed and returns
// limit + 1, so that a hostile body costs no more than one pass.
int nesting_depth(const char *text, std::size_t length, int limit);

}  // namespace ombixd

#endif
