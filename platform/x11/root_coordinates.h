#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <cstdint>

#include "platform/geometry.h"

namespace corvane::x11 {

/// A window rectangle in whole pixels of root space (y down).
struct RootRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    friend bool operator==(const RootRect&, const RootRect&) = default;
};

/// Framework space (origin bottom-left of the primary monitor, y up) to root
/// space, rounded to whole pixels; sizes are at least one pixel, as X wants.
RootRect toRoot(const platform::Rect& frame, const platform::Rect& primaryRoot);

/// Root space back to framework space.
platform::Rect fromRoot(const RootRect& rect, const platform::Rect& primaryRoot);

}  // namespace corvane::x11
