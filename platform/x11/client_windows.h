#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <optional>
#include <span>
#include <vector>

#include "platform/geometry.h"
#include "platform/x11/connection.h"

namespace corvane::x11 {

/// A managed top-level window of another program and the process it belongs to.
struct ClientWindow {
    xcb_window_t window = XCB_WINDOW_NONE;
    std::optional<platform::Pid> pid;  ///< from _NET_WM_PID; nullopt when the window sets none
};

/// Space the window manager's frame adds around a client window.
struct FrameExtents {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
};

/// The managed top-level windows in the window manager's order (_NET_CLIENT_LIST).
/// Without an EWMH window manager, the root's mapped ordinary children instead.
/// nullopt when the list cannot be read.
std::optional<std::vector<xcb_window_t>> clientWindowIds(const Connection& connection);

/// The client windows with their pids, all pid requests sent before any reply is read.
std::optional<std::vector<ClientWindow>> clientWindows(const Connection& connection);

/// The client windows whose _NET_WM_PID is `pid`; nullopt when the list cannot be read.
std::optional<std::vector<xcb_window_t>> clientWindowsOf(const Connection& connection, platform::Pid pid);

/// Whether an EWMH-compliant window manager runs: the root's _NET_SUPPORTING_WM_CHECK
/// names a window that names itself.
bool hasEwmhWindowManager(const Connection& connection);

/// _NET_FRAME_EXTENTS of a window; all zero when the window manager sets none.
FrameExtents frameExtents(PropertyCookie& cookie);

/// Reads a pid from a _NET_WM_PID reply.
std::optional<platform::Pid> pidFrom(PropertyCookie& cookie);

}  // namespace corvane::x11
