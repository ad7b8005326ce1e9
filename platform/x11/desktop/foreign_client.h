// Other programs' managed top-level windows and what was read about them.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <optional>
#include <string>

#include "platform/geometry.h"
#include "platform/x11/desktop/window_owner.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// A managed top-level window of another program with what was read about it
/// when it was first listed.
struct ForeignClient {
    xcb_window_t window = XCB_WINDOW_NONE;
    std::optional<platform::Pid> pid;        ///< of the process behind it (WindowOwner)
    std::optional<std::string> windowClass;  ///< the class part of WM_CLASS
    WindowOwner::Source pidSource = WindowOwner::Source::none;
    std::optional<platform::Pid> claimedPid;  ///< its _NET_WM_PID, which may name no host process
};

/// Space the window manager's frame adds around a client window.
struct FrameExtents {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const FrameExtents&, const FrameExtents&) = default;
};

/// _NET_FRAME_EXTENTS of a window; all zero when the window manager sets none.
/// Any program may set the property: an axis whose two extents leave no room
/// on a `screenWidth` by `screenHeight` screen has no frame a window manager
/// would draw, and counts as undecorated.
FrameExtents frameExtents(PropertyCookie& cookie, std::uint16_t screenWidth, std::uint16_t screenHeight);

/// Reads a pid from a _NET_WM_PID reply.
std::optional<platform::Pid> pidFrom(PropertyCookie& cookie);

}  // namespace corvane::x11
