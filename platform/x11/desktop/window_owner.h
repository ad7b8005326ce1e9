// The process behind a window, from X-Resource or _NET_WM_PID, and how it was learnt.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/geometry.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// The process behind a window, and how that was learnt.
struct WindowOwner {
    enum class Source {
        server,    ///< the X server's word: the peer of the client's socket
        property,  ///< the window's own _NET_WM_PID, where the server cannot tell
        none,      ///< neither: a client of another machine, or one that names no pid
    };
    std::optional<platform::Pid> pid;
    Source source = Source::none;
    /// What the window says in _NET_WM_PID: inside a PID namespace (Flatpak,
    /// Steam's runtime) a number of that namespace, not of this host.
    std::optional<platform::Pid> claimedPid;
};

/// Asks the server who owns a window: the requests go out when it is made,
/// and the answer is awaited on the first get(), so a scan of many windows
/// waits once. The server's answer (X-Resource's local client pid) wins;
/// _NET_WM_PID counts only where the server cannot tell and the window says
/// it comes from this machine.
class WindowOwnerRead {
public:
    WindowOwnerRead(const Connection& connection, xcb_window_t window);

    /// The owner; `pid` stays empty when the window is gone.
    [[nodiscard]] WindowOwner get(std::string_view hostName);
    /// Whether the window still existed when its properties were read.
    [[nodiscard]] bool windowExists() { return claimed_.get() != nullptr; }
    /// The server's word alone: nullopt for a remote client, a server without
    /// X-Resource, or a window that is gone.
    [[nodiscard]] std::optional<platform::Pid> serverPid();

private:
    using ClientIdsCookie = Cookie<xcb_res_query_client_ids_cookie_t, xcb_res_query_client_ids_reply_t>;

    [[nodiscard]] bool fromThisMachine(std::string_view hostName);

    const Connection& connection_;
    xcb_window_t window_;
    std::optional<ClientIdsCookie> clientIds_;
    PropertyCookie claimed_;
    std::optional<PropertyCookie> machine_;
};

/// This machine's name as WM_CLIENT_MACHINE spells it; "" when it has none.
std::string localHostName();

}  // namespace corvane::x11
