#include "platform/x11/desktop/foreign_requests.h"

#include <vector>

#include "platform/x11/wire/icccm_hints.h"

namespace corvane::x11 {

namespace {

/// The source indication of pagers and other tools acting for the user.
constexpr std::uint32_t kSourcePager = 2;
/// _NET_MOVERESIZE_WINDOW flags: gravity in bits 0-7, which values are given in
/// bits 8-11, the source indication in bits 12-13.
constexpr std::uint32_t kHasX = 1U << 8U;
constexpr std::uint32_t kHasY = 1U << 9U;
constexpr std::uint32_t kHasWidth = 1U << 10U;
constexpr std::uint32_t kHasHeight = 1U << 11U;
constexpr std::uint32_t kFromPager = kSourcePager << 12U;

/// A signed coordinate as a 32-bit protocol item.
std::uint32_t item(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

struct WindowHints {
    bool takesFocusMessage = false;
    bool acceptsInput = true;
};

WindowHints hintsFrom(const Connection& connection, PropertyCookie& protocols, PropertyCookie& wmHints) {
    WindowHints hints;
    for (const std::uint32_t atom : values32(protocols.get())) {
        if (atom == connection.atoms().wmTakeFocus) hints.takesFocusMessage = true;
    }
    hints.acceptsInput = WmHints::from(values32(wmHints.get())).acceptsInput();
    return hints;
}

}  // namespace

void requestActivation(const Connection& connection, xcb_window_t window, xcb_timestamp_t time) {
    // Only the window manager can activate a Wine window: it sets input=False and
    // waits for WM_TAKE_FOCUS, so a bare SetInputFocus would lose the typed keys.
    connection.sendToWindowManager(window, connection.atoms().netActiveWindow,
                                   {kSourcePager, time, XCB_WINDOW_NONE, 0, 0});
}

void activateWithoutWindowManager(const Connection& connection, xcb_window_t window, xcb_timestamp_t time) {
    PropertyCookie protocols = connection.getProperty(window, connection.atoms().wmProtocols, 64);
    PropertyCookie wmHints = connection.getProperty(window, XCB_ATOM_WM_HINTS, 9);
    const WindowHints hints = hintsFrom(connection, protocols, wmHints);
    raiseToTop(connection, window);
    if (hints.acceptsInput) {
        connection.onForeignWindow(
            xcb_set_input_focus(connection.get(), XCB_INPUT_FOCUS_PARENT, window, time));
    }
    if (hints.takesFocusMessage) {
        connection.sendToClient(window, connection.atoms().wmProtocols,
                                {connection.atoms().wmTakeFocus, time, 0, 0, 0});
    }
}

void requestMoveResize(const Connection& connection, xcb_window_t window, const ClientMove& move) {
    // Static gravity names the client area's corner whatever gravity the window
    // asked for (Wine asks for static, xterm for north-west), so the frame lands
    // exactly where asked once the decoration is added back.
    std::uint32_t flags = XCB_GRAVITY_STATIC | kFromPager;
    if (move.x && move.y) flags |= kHasX | kHasY;
    if (move.width && move.height) flags |= kHasWidth | kHasHeight;
    connection.sendToWindowManager(window, connection.atoms().netMoveresizeWindow,
                                   {flags, item(move.x.value_or(0)), item(move.y.value_or(0)),
                                    item(move.width.value_or(1)), item(move.height.value_or(1))});
}

void configureClient(const Connection& connection, xcb_window_t window, const ClientMove& move) {
    std::uint16_t mask = 0;
    std::vector<std::uint32_t> values;
    if (move.x && move.y) {
        // Without a window manager a window's position is its border's outer corner.
        mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
        values.push_back(item(*move.x - move.border));
        values.push_back(item(*move.y - move.border));
    }
    if (move.width && move.height) {
        mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
        values.push_back(item(*move.width));
        values.push_back(item(*move.height));
    }
    if (mask == 0) return;
    connection.onForeignWindow(xcb_configure_window(connection.get(), window, mask, values.data()));
}

void raiseToTop(const Connection& connection, xcb_window_t window) {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    connection.onForeignWindow(
        xcb_configure_window(connection.get(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above));
}

void requestRaise(const Connection& connection, xcb_window_t window) {
    connection.sendToWindowManager(window, connection.atoms().netRestackWindow,
                                   {kSourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
}

}  // namespace corvane::x11
