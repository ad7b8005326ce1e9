#include "platform/x11/own_windows/own_window_geometry.h"

#include <array>
#include <cstdint>

namespace corvane::x11 {

bool configureIfChanged(const Connection& connection, xcb_window_t window, const RootRect& wanted,
                        const std::optional<RootRect>& sent) {
    if (wanted == sent) return false;
    const std::array<std::uint32_t, 4> values{static_cast<std::uint32_t>(wanted.x),
                                              static_cast<std::uint32_t>(wanted.y), wanted.width,
                                              wanted.height};
    connection.onOwnWindow(xcb_configure_window(
        connection.get(), window,
        XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
        values.data()));
    return true;
}

}  // namespace corvane::x11
