#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/geometry.h"
#include "platform/x11/connection.h"

namespace corvane::x11 {

/// A managed top-level window of another program and the process it belongs to.
struct ClientWindow {
    xcb_window_t window = XCB_WINDOW_NONE;
    std::optional<platform::Pid> pid;  ///< from _NET_WM_PID; nullopt when the window sets none
};

/// A client window with what was read about it when it was first listed.
struct KnownClient {
    xcb_window_t window = XCB_WINDOW_NONE;
    std::optional<platform::Pid> pid;          ///< from _NET_WM_PID
    std::optional<std::string> windowClass;    ///< the class part of WM_CLASS
};

/// The client windows, reading a window's _NET_WM_PID and WM_CLASS only the
/// first time it is listed: programs set both before mapping and keep them for
/// the window's life. A window no longer listed is forgotten, so one that
/// comes back, or a new window of a reused pid, is read afresh.
class ClientWindowCache {
public:
    explicit ClientWindowCache(const Connection& connection) : connection_(connection) {}

    /// The client windows in the window manager's order; nullopt when the list cannot be read.
    [[nodiscard]] std::optional<std::vector<KnownClient>> clients();
    /// The client windows whose _NET_WM_PID is `pid`; nullopt when the list cannot be read.
    [[nodiscard]] std::optional<std::vector<xcb_window_t>> windowsOf(platform::Pid pid);
    /// The pid of a window listed by the last call, without asking the server;
    /// nullopt when the window is not known or has none.
    [[nodiscard]] std::optional<platform::Pid> knownPid(xcb_window_t window) const;

private:
    struct Facts {
        std::optional<platform::Pid> pid;
        std::optional<std::string> windowClass;
    };
    /// Reads the facts of the windows not yet known, every request sent before any reply is read.
    void learn(const std::vector<xcb_window_t>& windows);
    void forgetAllBut(const std::vector<xcb_window_t>& windows);

    const Connection& connection_;
    std::unordered_map<xcb_window_t, Facts> facts_;
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

/// Whether an EWMH-compliant window manager runs: the root's _NET_SUPPORTING_WM_CHECK
/// names a window that names itself.
bool hasEwmhWindowManager(const Connection& connection);

/// hasEwmhWindowManager, asked again at most once a second: every move,
/// resize, raise and activation needs the answer, and it costs two round trips.
class WindowManagerProbe {
public:
    explicit WindowManagerProbe(const Connection& connection) : connection_(connection) {}
    [[nodiscard]] bool present();

private:
    static constexpr std::chrono::seconds kMaxAge{1};
    const Connection& connection_;
    std::optional<std::chrono::steady_clock::time_point> checkedAt_;
    bool present_ = false;
};

/// _NET_FRAME_EXTENTS of a window; all zero when the window manager sets none.
FrameExtents frameExtents(PropertyCookie& cookie);

/// Reads a pid from a _NET_WM_PID reply.
std::optional<platform::Pid> pidFrom(PropertyCookie& cookie);

}  // namespace corvane::x11
