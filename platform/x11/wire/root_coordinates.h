// X's 16-bit root coordinates and the program's rectangles, converted both ways.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <cstdint>

#include "platform/geometry.h"

namespace corvane::x11 {

/// What X accepts for a window: positions are 16-bit signed, and sizes
/// beyond the largest 16-bit signed coordinate cannot be drawn into or shaped.
inline constexpr double kMinCoordinate = -32768;
inline constexpr double kMaxCoordinate = 32767;
inline constexpr double kMaxExtent = 32767;

/// A window rectangle in whole pixels of root space (y down).
struct RootRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    friend bool operator==(const RootRect&, const RootRect&) = default;
};

/// Framework space (origin bottom-left of the primary monitor, y up) to root
/// space, rounded to whole pixels and clamped to what X accepts: positions in
/// 16 bits, sizes from one pixel to kMaxExtent.
RootRect toRoot(const platform::Rect& frame, const platform::Rect& primaryRoot);

/// Root space back to framework space.
platform::Rect fromRoot(const RootRect& rect, const platform::Rect& primaryRoot);

}  // namespace corvane::x11
