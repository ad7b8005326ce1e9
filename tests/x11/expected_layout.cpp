#include "expected_layout.h"

#include <algorithm>
#include <cstdint>

namespace corvane::x11test {

platform::Rect usableArea(const platform::Rect& monitor, const std::optional<platform::Rect>& workArea) {
    if (!workArea) return monitor;
    const double left = std::max(monitor.x, workArea->x);
    const double top = std::max(monitor.y, workArea->y);
    const double right = std::min(monitor.maxX(), workArea->maxX());
    const double bottom = std::min(monitor.maxY(), workArea->maxY());
    return {left, top, right - left, bottom - top};
}

std::vector<platform::Rect> expectedFrames(Layout layout, std::size_t count, std::size_t activeIndex,
                                           double mainShare, const platform::Rect& monitor,
                                           const platform::Rect& usable) {
    // Layouts are computed with the monitor's top-left as the origin.
    platform::Rect area = usable;
    area.x -= monitor.x;
    area.y -= monitor.y;
    auto frames = layout::frames(layout, static_cast<std::int64_t>(count),
                                 static_cast<std::int64_t>(activeIndex), area, mainShare);
    for (auto& frame : frames) {
        frame = frame.integral();
        frame.x += monitor.x;
        frame.y += monitor.y;
    }
    return frames;
}

}  // namespace corvane::x11test
