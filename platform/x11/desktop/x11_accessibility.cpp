#include "platform/x11/desktop/x11_accessibility.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/wire/root_coordinates.h"

namespace corvane::x11 {

namespace {

/// A position as X takes it: whole pixels within the 16-bit signed range.
std::int32_t coordinate(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, kMinCoordinate, kMaxCoordinate)));
}

/// A size as X takes it: whole pixels, at least one, at most what 16-bit coordinates reach.
std::int32_t extent(double value) {
    if (std::isnan(value)) return 1;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, 1.0, kMaxExtent)));
}

}  // namespace

X11Accessibility::X11Accessibility(const Connection& connection, X11Screens& screens, WindowCache& cache,
                                   StepWrites& writes)
    : connection_(connection), screens_(screens), cache_(cache), writes_(writes) {}

std::optional<std::vector<platform::WindowRef>> X11Accessibility::windows(platform::Pid pid) {
    const auto windows = cache_.windowsOf(pid);
    if (!windows) return std::nullopt;
    return std::vector<platform::WindowRef>(windows->begin(), windows->end());
}

std::optional<platform::Point> X11Accessibility::position(platform::WindowRef window) {
    const auto current = writes_.placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    const platform::Point shift = origin();
    return platform::Point{current->frame.x - shift.x, current->frame.y - shift.y};
}

std::optional<platform::Size> X11Accessibility::size(platform::WindowRef window) {
    const auto current = writes_.placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    return current->frame.size();
}

void X11Accessibility::setPosition(platform::WindowRef ref, platform::Point position) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = writes_.placement(window);
    if (!current) return;
    const platform::Point shift = origin();
    // The client area's corner: the frame's corner plus the decoration.
    writes_.moveClient(window, coordinate(position.x + shift.x) + current->decoration.left,
                       coordinate(position.y + shift.y) + current->decoration.top);
}

void X11Accessibility::setSize(platform::WindowRef ref, platform::Size size) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = writes_.placement(window);
    if (!current) return;
    const auto& decoration = current->decoration;
    writes_.resizeClient(window, extent(size.width - decoration.left - decoration.right),
                         extent(size.height - decoration.top - decoration.bottom));
}

void X11Accessibility::raise(platform::WindowRef ref) {
    writes_.raise(static_cast<xcb_window_t>(ref));
}

platform::Point X11Accessibility::origin() {
    return screens_.primaryRootFrame().origin();
}

}  // namespace corvane::x11
