#include "platform/x11/x11_accessibility.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/root_coordinates.h"

namespace corvane::x11 {

namespace {

/// _NET_MOVERESIZE_WINDOW flags: gravity in bits 0-7, which values are given in
/// bits 8-11, the source indication in bits 12-13.
constexpr std::uint32_t kStaticGravity = 10;
constexpr std::uint32_t kHasX = 1U << 8U;
constexpr std::uint32_t kHasY = 1U << 9U;
constexpr std::uint32_t kHasWidth = 1U << 10U;
constexpr std::uint32_t kHasHeight = 1U << 11U;
constexpr std::uint32_t kSourcePager = 2;
constexpr std::uint32_t kFromPager = kSourcePager << 12U;

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

/// A signed coordinate as a 32-bit protocol item.
std::uint32_t item(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

}  // namespace

X11Accessibility::X11Accessibility(const Connection& connection, X11Screens& screens, WindowCache& windows)
    : connection_(connection), screens_(screens), windows_(windows) {}

std::optional<std::vector<platform::WindowRef>> X11Accessibility::windows(platform::Pid pid) {
    const auto windows = windows_.windowsOf(pid);
    if (!windows) return std::nullopt;
    return std::vector<platform::WindowRef>(windows->begin(), windows->end());
}

std::optional<platform::Point> X11Accessibility::position(platform::WindowRef window) {
    const auto current = windows_.placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    const platform::Point shift = origin();
    return platform::Point{current->frame.x - shift.x, current->frame.y - shift.y};
}

std::optional<platform::Size> X11Accessibility::size(platform::WindowRef window) {
    const auto current = windows_.placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    return current->frame.size();
}

void X11Accessibility::setPosition(platform::WindowRef ref, platform::Point position) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = windows_.placement(window);
    if (!current) return;
    const platform::Point shift = origin();
    const std::int32_t frameX = coordinate(position.x + shift.x);
    const std::int32_t frameY = coordinate(position.y + shift.y);
    if (windows_.windowManagerPresent()) {
        // Static gravity names the client area's corner whatever gravity the window
        // asked for (Wine asks for static, xterm for north-west), so the frame lands
        // exactly where asked once the decoration is added back.
        connection_.sendToWindowManager(
            window, connection_.atoms().netMoveresizeWindow,
            {kStaticGravity | kHasX | kHasY | kFromPager, item(frameX + current->decoration.left),
             item(frameY + current->decoration.top), 0, 0});
    } else {
        // Without a window manager a window's position is its border's outer corner.
        const std::array<std::uint32_t, 2> values{item(frameX + current->decoration.left - current->border),
                                                  item(frameY + current->decoration.top - current->border)};
        connection_.onForeignWindow(xcb_configure_window(
            connection_.get(), window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values.data()));
    }
    connection_.flush();
}

void X11Accessibility::setSize(platform::WindowRef ref, platform::Size size) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = windows_.placement(window);
    if (!current) return;
    const auto& decoration = current->decoration;
    const std::int32_t width = extent(size.width - decoration.left - decoration.right);
    const std::int32_t height = extent(size.height - decoration.top - decoration.bottom);
    if (windows_.windowManagerPresent()) {
        connection_.sendToWindowManager(
            window, connection_.atoms().netMoveresizeWindow,
            {kStaticGravity | kHasWidth | kHasHeight | kFromPager, 0, 0, item(width), item(height)});
    } else {
        const std::array<std::uint32_t, 2> values{item(width), item(height)};
        connection_.onForeignWindow(xcb_configure_window(
            connection_.get(), window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values.data()));
    }
    connection_.flush();
}

void X11Accessibility::raise(platform::WindowRef ref) {
    const auto window = static_cast<xcb_window_t>(ref);
    const xcb_atom_t restack = connection_.atoms().netRestackWindow;
    if (windows_.windowManagerPresent() && windows_.windowManagerSupports(restack)) {
        // A reparenting window manager stacks frames, not clients: ask it.
        connection_.sendToWindowManager(window, restack,
                                        {kSourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        connection_.onForeignWindow(
            xcb_configure_window(connection_.get(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above));
    }
    connection_.flush();
}

platform::Point X11Accessibility::origin() {
    return screens_.primaryRootFrame().origin();
}

}  // namespace corvane::x11
