#include "platform/x11/own_windows/band_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace corvane::x11 {

namespace {

/// A pixel edge, kept within what the protocol's 16-bit coordinates hold.
std::int32_t edge(double value) {
    constexpr double kLimit = std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int32_t>(std::lround(std::clamp(value, -kLimit, kLimit)));
}

struct Edges {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

/// `rect` (y up) as pixel edges in a view `viewHeight` high (y down).
Edges flipped(const platform::Rect& rect, double viewHeight) {
    const platform::Rect r = rect.standardized();
    return {edge(r.x), edge(viewHeight - r.y - r.height), edge(r.x + r.width), edge(viewHeight - r.y)};
}

void addRectangle(std::vector<xcb_rectangle_t>& out, std::int32_t left, std::int32_t top, std::int32_t right,
                  std::int32_t bottom) {
    if (right <= left || bottom <= top) return;
    out.push_back({static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                   static_cast<std::uint16_t>(right - left), static_cast<std::uint16_t>(bottom - top)});
}

}  // namespace

std::vector<xcb_rectangle_t> bandRectangles(const platform::Rect& rect, double lineWidth, double viewHeight) {
    const double half = std::max(0.0, lineWidth) / 2;
    const Edges outer = flipped(rect.standardized().insetBy(-half, -half), viewHeight);
    const platform::Rect hole = rect.standardized().insetBy(half, half);
    std::vector<xcb_rectangle_t> result;
    if (hole.width <= 0 || hole.height <= 0) {
        addRectangle(result, outer.left, outer.top, outer.right, outer.bottom);
        return result;
    }
    const Edges inner = flipped(hole, viewHeight);
    addRectangle(result, outer.left, outer.top, outer.right, inner.top);
    addRectangle(result, outer.left, inner.bottom, outer.right, outer.bottom);
    addRectangle(result, outer.left, inner.top, inner.left, inner.bottom);
    addRectangle(result, inner.right, inner.top, outer.right, inner.bottom);
    return result;
}

void BandCanvas::strokeRect(platform::Rect rect, platform::Color color, double lineWidth) {
    bands_.push_back({color, bandRectangles(rect, lineWidth, viewHeight_)});
}

std::vector<xcb_rectangle_t> BandCanvas::allRectangles() const {
    std::vector<xcb_rectangle_t> result;
    for (const auto& band : bands_)
        result.insert(result.end(), band.rectangles.begin(), band.rectangles.end());
    return result;
}

}  // namespace corvane::x11
