// The desktop as the server's events told it: windows, properties, frames.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/geometry.h"
#include "platform/post_once.h"
#include "platform/x11/desktop/foreign_client.h"
#include "platform/x11/desktop/foreign_placement.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// What the X server told the backend about the desktop, kept current from
/// its notifications instead of asked again: the root's window-manager
/// properties (_NET_CLIENT_LIST, _NET_ACTIVE_WINDOW, _NET_WORKAREA,
/// _NET_SUPPORTED, the window-manager check) and, for each listed window, its
/// pid, class and placement. Everything is read the first time it is needed,
/// with every request of a scan sent before the first reply is awaited, and
/// read again only after the server reported a change (PropertyNotify,
/// ConfigureNotify and the like on the root and on the listed windows). A
/// changed value is asked for again at once, without waiting: its answer is
/// in by the time the program needs it. One
/// cache serves the whole backend; it selects the events it needs on the root
/// and on the listed windows, and no one else changes those selections. It
/// holds only what the server said: what the program wrote and the server has
/// not confirmed yet is StepWrites'.
class WindowCache {
public:
    WindowCache(const Connection& connection, EventLoop& loop);
    WindowCache(const WindowCache&) = delete;
    WindowCache& operator=(const WindowCache&) = delete;
    WindowCache(WindowCache&&) = delete;
    WindowCache& operator=(WindowCache&&) = delete;

    /// The client windows in the window manager's order; null when the list cannot be read.
    /// Valid until the next call of a member that reads the list.
    [[nodiscard]] const std::vector<ForeignClient>* clients();
    /// The client windows of the process `pid` (WindowOwner); nullopt when the list cannot be read.
    [[nodiscard]] std::optional<std::vector<xcb_window_t>> windowsOf(platform::Pid pid);
    /// Changes whenever the client list may have changed: what was built from
    /// clients() at an equal generation is still true.
    [[nodiscard]] std::uint64_t generation();
    /// Whether the window was in the client list when it was last read.
    [[nodiscard]] bool listed(xcb_window_t window) const { return facts_.contains(window); }
    /// The pid of a window: from what is known, else read.
    [[nodiscard]] std::optional<platform::Pid> pidOf(xcb_window_t window);

    /// _NET_ACTIVE_WINDOW; nullopt when the window manager publishes none.
    [[nodiscard]] std::optional<xcb_window_t> activeWindow();
    /// Whether an EWMH-compliant window manager runs: the root's
    /// _NET_SUPPORTING_WM_CHECK names a window that names itself.
    [[nodiscard]] bool windowManagerPresent();
    /// The window manager's name (_NET_WM_NAME of its check window); "" when it tells none.
    [[nodiscard]] std::string windowManagerName();
    /// Whether the window manager lists `hint` in _NET_SUPPORTED.
    [[nodiscard]] bool windowManagerSupports(xcb_atom_t hint);
    /// _NET_WORKAREA items and _NET_CURRENT_DESKTOP.
    [[nodiscard]] std::vector<std::uint32_t> workAreas();
    [[nodiscard]] std::optional<std::uint32_t> currentDesktop();

    /// Where the server last said a window is; nullopt when it is gone.
    [[nodiscard]] std::optional<ForeignPlacement> placement(xcb_window_t window);
    /// Calls `listener` whenever the server tells of a change of a window's
    /// placement (moved, resized, reparented, mapped, unmapped, destroyed).
    void onPlacementChanged(std::function<void(xcb_window_t)> listener) {
        placementChanged_ = std::move(listener);
    }
    /// Sends the reads of every placement not known yet, so that the calls of
    /// placement() that follow wait once.
    void prefetchPlacements(const std::vector<xcb_window_t>& windows);
    /// Makes sure the window's structure and property changes reach the cache
    /// (and the loop's other subscribers).
    void watch(xcb_window_t window);

private:
    struct Facts {
        WindowOwner owner;
        std::optional<std::string> windowClass;
    };
    /// A placement read under way or done.
    struct PendingPlacement {
        GeometryCookie geometry;
        TranslateCookie corner;
        PropertyCookie extents;
    };

    const xcb_get_property_reply_t* rootProperty(xcb_atom_t atom);
    [[nodiscard]] std::optional<std::vector<xcb_window_t>> clientIds();
    /// Reads the list again when it changed (and each time without a window manager).
    void refreshClients();
    void learn(const std::vector<xcb_window_t>& windows);
    void forgetAllBut(const std::vector<xcb_window_t>& windows);
    void forget(xcb_window_t window);
    [[nodiscard]] PendingPlacement readPlacement(xcb_window_t window) const;
    void subscribeEvents(EventLoop& loop);
    void propertyChanged(const xcb_property_notify_event_t& event);
    void windowChanged(xcb_window_t window);
    /// Reads again, without waiting, the placements that changed during this turn.
    void refetchChanged();
    void windowDestroyed(xcb_window_t window);

    const Connection& connection_;
    EventLoop& loop_;
    const std::string hostName_ = localHostName();
    /// Root properties read, each re-read as soon as the server reports it changed.
    std::map<xcb_atom_t, PropertyCookie> root_;
    std::unordered_map<xcb_window_t, Facts> facts_;
    /// The client list as last read, whole and by pid, and whether it is still current.
    std::optional<std::vector<ForeignClient>> clients_;
    std::unordered_map<platform::Pid, std::vector<xcb_window_t>> windowsByPid_;
    bool clientsCurrent_ = false;
    std::uint64_t generation_ = 1;
    std::set<xcb_window_t> watched_;
    std::unordered_map<xcb_window_t, PendingPlacement> placements_;
    std::function<void(xcb_window_t)> placementChanged_;
    /// The window-manager check window last confirmed, and whether it named itself.
    std::optional<std::pair<xcb_window_t, bool>> checkWindow_;
    /// Listed windows whose placement changed since the last refetch.
    std::set<xcb_window_t> changed_;
    std::vector<Subscription> subscriptions_;
    platform::PostOnce refetchOnce_{loop_, [this] { refetchChanged(); }};
};

}  // namespace corvane::x11
