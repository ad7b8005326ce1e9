#include "platform/x11/wire/root_coordinates.h"

#include <algorithm>
#include <cmath>

namespace corvane::x11 {

namespace {

std::int32_t whole(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, kMinCoordinate, kMaxCoordinate)));
}

std::uint32_t length(double value) {
    // NaN fails every comparison: it becomes the smallest size, not undefined behaviour.
    if (!(value >= 1)) return 1;
    return static_cast<std::uint32_t>(std::lround(std::min(value, kMaxExtent)));
}

}  // namespace

RootRect toRoot(const platform::Rect& frame, const platform::Rect& primaryRoot) {
    const platform::Rect r = frame.standardized();
    return {whole(primaryRoot.x + r.x), whole(primaryRoot.y + primaryRoot.height - r.y - r.height),
            length(r.width), length(r.height)};
}

platform::Rect fromRoot(const RootRect& rect, const platform::Rect& primaryRoot) {
    const auto width = static_cast<double>(rect.width);
    const auto height = static_cast<double>(rect.height);
    return {rect.x - primaryRoot.x, primaryRoot.y + primaryRoot.height - rect.y - height, width, height};
}

}  // namespace corvane::x11
