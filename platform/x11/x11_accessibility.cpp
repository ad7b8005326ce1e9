#include "platform/x11/x11_accessibility.h"

#include <algorithm>
#include <cmath>

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

std::int32_t whole(double value) {
    return static_cast<std::int32_t>(std::lround(value));
}

/// A signed coordinate as a 32-bit protocol item.
std::uint32_t item(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

}  // namespace

X11Accessibility::X11Accessibility(const Connection& connection, X11Screens& screens)
    : connection_(connection), screens_(screens), clients_(connection) {}

std::optional<std::vector<platform::WindowRef>> X11Accessibility::windows(platform::Pid pid) {
    const auto windows = clients_.windowsOf(pid);
    if (!windows) return std::nullopt;
    return std::vector<platform::WindowRef>(windows->begin(), windows->end());
}

std::optional<platform::Point> X11Accessibility::position(platform::WindowRef window) {
    const auto current = placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    const platform::Point shift = origin();
    return platform::Point{current->frame.x - shift.x, current->frame.y - shift.y};
}

std::optional<platform::Size> X11Accessibility::size(platform::WindowRef window) {
    const auto current = placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    return current->frame.size();
}

void X11Accessibility::setPosition(platform::WindowRef ref, platform::Point position) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = placement(window);
    if (!current) return;
    const platform::Point shift = origin();
    const std::int32_t frameX = whole(position.x + shift.x);
    const std::int32_t frameY = whole(position.y + shift.y);
    if (windowManager_.present()) {
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
        xcb_configure_window(connection_.get(), window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                             values.data());
    }
    connection_.flush();
}

void X11Accessibility::setSize(platform::WindowRef ref, platform::Size size) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = placement(window);
    if (!current) return;
    const auto& decoration = current->decoration;
    const std::int32_t width = std::max(1, whole(size.width) - decoration.left - decoration.right);
    const std::int32_t height = std::max(1, whole(size.height) - decoration.top - decoration.bottom);
    if (windowManager_.present()) {
        connection_.sendToWindowManager(
            window, connection_.atoms().netMoveresizeWindow,
            {kStaticGravity | kHasWidth | kHasHeight | kFromPager, 0, 0, item(width), item(height)});
    } else {
        const std::array<std::uint32_t, 2> values{item(width), item(height)};
        xcb_configure_window(connection_.get(), window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                             values.data());
    }
    connection_.flush();
}

void X11Accessibility::raise(platform::WindowRef ref) {
    const auto window = static_cast<xcb_window_t>(ref);
    const xcb_atom_t restack = connection_.atoms().netRestackWindow;
    if (windowManager_.present() && windowManagerSupports(restack)) {
        // A reparenting window manager stacks frames, not clients: ask it.
        connection_.sendToWindowManager(window, restack,
                                        {kSourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection_.get(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    connection_.flush();
}

std::optional<X11Accessibility::Placement> X11Accessibility::placement(xcb_window_t window) const {
    GeometryCookie geometry = connection_.getGeometry(window);
    TranslateCookie corner = connection_.translateToRoot(window);
    PropertyCookie extents = connection_.getProperty(window, connection_.atoms().netFrameExtents, 4);
    const auto* size = geometry.get();
    const auto* client = corner.get();
    if (size == nullptr || client == nullptr) return std::nullopt;  // the window is gone

    const FrameExtents frame = frameExtents(extents);
    const std::int32_t border = size->border_width;
    const FrameExtents decoration{frame.left + border, frame.right + border, frame.top + border,
                                  frame.bottom + border};
    const platform::Rect outer{static_cast<double>(client->dst_x - decoration.left),
                               static_cast<double>(client->dst_y - decoration.top),
                               static_cast<double>(size->width + decoration.left + decoration.right),
                               static_cast<double>(size->height + decoration.top + decoration.bottom)};
    return Placement{outer, decoration, border};
}

bool X11Accessibility::windowManagerSupports(xcb_atom_t hint) const {
    PropertyCookie supported =
        connection_.getProperty(connection_.root(), connection_.atoms().netSupported, 4096);
    const auto hints = values32(supported.get());
    return std::find(hints.begin(), hints.end(), hint) != hints.end();
}

platform::Point X11Accessibility::origin() {
    return screens_.primaryRootFrame().origin();
}

}  // namespace corvane::x11
