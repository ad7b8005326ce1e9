#include "platform/x11/desktop/screen_layout.h"

#include <algorithm>

namespace corvane::x11 {

namespace {

/// Root coordinates to framework space about the primary monitor.
platform::Rect toFramework(const platform::Rect& rect, const platform::Rect& primary) {
    return {rect.x - primary.x, primary.height - (rect.y - primary.y) - rect.height, rect.width, rect.height};
}

bool contains(const platform::Rect& outer, const platform::Rect& inner) {
    return outer.minX() <= inner.minX() && outer.minY() <= inner.minY() && inner.maxX() <= outer.maxX() &&
           inner.maxY() <= outer.maxY();
}

/// Whether user-defined monitors divide up this part of the screen.
bool splitByUser(const platform::Rect& frame, const std::vector<Monitor>& monitors) {
    return std::any_of(monitors.begin(), monitors.end(),
                       [&](const Monitor& part) { return !part.automatic && contains(frame, part.frame); });
}

std::vector<Monitor> withoutSplitOutputs(const std::vector<Monitor>& monitors) {
    std::vector<Monitor> kept;
    for (const auto& monitor : monitors) {
        if (!monitor.automatic || !splitByUser(monitor.frame, monitors)) kept.push_back(monitor);
    }
    return kept;
}

std::optional<platform::Rect> primaryOf(const std::optional<platform::Rect>& primaryCrtc,
                                        const std::vector<Monitor>& allMonitors,
                                        const std::vector<Monitor>& monitors) {
    if (primaryCrtc && !splitByUser(*primaryCrtc, allMonitors)) return primaryCrtc;
    const auto flagged = std::find_if(monitors.begin(), monitors.end(),
                                      [](const Monitor& monitor) { return monitor.primary; });
    if (flagged != monitors.end()) return flagged->frame;
    if (!monitors.empty()) return monitors.front().frame;
    return std::nullopt;
}

}  // namespace

std::vector<platform::Rect> orderMonitors(const std::optional<platform::Rect>& primaryCrtc,
                                          const std::vector<Monitor>& allMonitors,
                                          const platform::Rect& rootFrame) {
    const auto monitors = withoutSplitOutputs(allMonitors);
    const auto primary = primaryOf(primaryCrtc, allMonitors, monitors);
    if (!primary) return {rootFrame};
    std::vector<platform::Rect> ordered{*primary};
    bool primarySkipped = false;
    for (const auto& monitor : monitors) {
        if (!primarySkipped && monitor.frame == *primary) {
            primarySkipped = true;
            continue;
        }
        ordered.push_back(monitor.frame);
    }
    return ordered;
}

std::optional<platform::Rect> intersection(const platform::Rect& a, const platform::Rect& b) {
    const double left = std::max(a.minX(), b.minX());
    const double top = std::max(a.minY(), b.minY());
    const double right = std::min(a.maxX(), b.maxX());
    const double bottom = std::min(a.maxY(), b.maxY());
    if (right <= left || bottom <= top) return std::nullopt;
    return platform::Rect{left, top, right - left, bottom - top};
}

std::vector<platform::Screen> frameworkScreens(const std::vector<platform::Rect>& monitors,
                                               const std::optional<platform::Rect>& workArea) {
    if (monitors.empty()) return {};
    const platform::Rect& primary = monitors.front();
    std::vector<platform::Screen> screens;
    screens.reserve(monitors.size());
    for (const auto& monitor : monitors) {
        const auto visible = workArea ? intersection(monitor, *workArea) : std::nullopt;
        screens.push_back({toFramework(monitor, primary), toFramework(visible.value_or(monitor), primary)});
    }
    return screens;
}

std::optional<platform::Rect> workAreaOf(const std::vector<std::uint32_t>& workAreas,
                                         std::optional<std::uint32_t> currentDesktop) {
    const std::size_t desktops = workAreas.size() / 4;
    if (desktops == 0) return std::nullopt;
    const std::size_t desktop = currentDesktop && *currentDesktop < desktops ? *currentDesktop : 0;
    const auto item = [&](std::size_t index) { return workAreas[desktop * 4 + index]; };
    // x and y are signed on the wire.
    return platform::Rect{static_cast<double>(static_cast<std::int32_t>(item(0))),
                          static_cast<double>(static_cast<std::int32_t>(item(1))),
                          static_cast<double>(item(2)), static_cast<double>(item(3))};
}

}  // namespace corvane::x11
