#pragma once

#include <ostream>

#include "platform/geometry.h"

namespace corvane::platform {

/// Lets gtest show rectangles as "x,y WxH" in failure messages.
inline void PrintTo(const Rect& rect, std::ostream* out) {
    *out << rect.x << "," << rect.y << " " << rect.width << "x" << rect.height;
}

}  // namespace corvane::platform
