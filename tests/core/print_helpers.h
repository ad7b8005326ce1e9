#pragma once

// Readable values in test failure messages.

#include <ostream>
#include <string>

#include "platform/geometry.h"

namespace corvane::platform {

inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
inline void PrintTo(const Color& c, std::ostream* os) {
    *os << "rgba(" << c.red << ", " << c.green << ", " << c.blue << ", " << c.alpha << ")";
}

}  // namespace corvane::platform

namespace corvane::testing {

/// Names a parameterised case after its `name` field.
inline constexpr auto caseName = [](const auto& test) { return std::string(test.param.name); };

/// Failure messages name a table's case instead of dumping its bytes.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

}  // namespace corvane::testing
