#pragma once

// Readable values in test failure messages.

#include <ostream>

#include "platform/geometry.h"

namespace corvane::platform {

inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
inline void PrintTo(const Color& c, std::ostream* os) {
    *os << "rgba(" << c.red << ", " << c.green << ", " << c.blue << ", " << c.alpha << ")";
}

}  // namespace corvane::platform
