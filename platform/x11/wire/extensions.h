// Which X extensions this connection may use, and in which version.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <cstdint>
#include <string_view>

namespace corvane::x11 {

/// One X extension as this connection may use it.
struct Extension {
    /// Present, in a version the backend can use, and its version asked
    /// (several extensions refuse requests before that).
    bool usable = false;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint8_t majorOpcode = 0;
    std::uint8_t firstEvent = 0;
    std::uint8_t firstError = 0;
};

/// The extensions the backend uses, asked for once when the connection opens,
/// all requests out before the first answer is awaited.
struct Extensions {
    Extension shape;      ///< the border's band and its click-through input shape
    Extension composite;  ///< 0.2 and up: named window pixmaps for the previews
    Extension damage;     ///< when a previewed window changed
    Extension render;     ///< 0.6 and up: scaled, filtered pictures in the previews
    Extension randr;      ///< monitors and the primary one
    Extension xkb;        ///< physical keys by name
    /// X-Resource 1.2 and up: the pid of the process behind a window, as the
    /// server took it from the socket's peer (right in any PID namespace).
    Extension res;
    /// The server is XWayland (a Wayland desktop's X server): there a window's
    /// input shape may not reach the compositor, which then gives the window
    /// every click within its rectangle.
    bool xwayland = false;

    /// Reads them on `connection`.
    static Extensions query(xcb_connection_t* connection);
    /// The name of the extension with this major opcode; empty for none of these.
    [[nodiscard]] std::string_view nameOfMajor(std::uint8_t majorOpcode) const;
};

}  // namespace corvane::x11
