// How this desktop takes requests for other programs' windows: sway's IPC, EWMH or ICCCM.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <vector>

#include "platform/x11/desktop/foreign_placement.h"
#include "platform/x11/desktop/sway_ipc.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// The one place that decides how an activation, a move or a raise of another
/// program's window reaches this desktop, for the steps and for `--check`
/// alike. It follows the window manager: one started after the program is
/// used from then on.
class WriteRoute {
public:
    enum class Way {
        sway,           ///< sway's IPC, for what its X window manager does not do
        windowManager,  ///< EWMH client messages to the window manager
        direct,         ///< ICCCM requests to the server, as without a window manager
    };
    /// A move and where it leaves the window, frame and decoration.
    struct Move {
        xcb_window_t window = XCB_WINDOW_NONE;
        ClientMove move;
        ForeignPlacement after;
    };

    /// `sway` is null where sway does not run; it must outlive this object.
    WriteRoute(const Connection& connection, WindowCache& cache, SwayIpc* sway)
        : connection_(connection), cache_(cache), sway_(sway) {}

    [[nodiscard]] Way activations();
    [[nodiscard]] Way moves();
    [[nodiscard]] Way raises();

    /// Sends the activation. Under sway, false when sway does not know the
    /// window yet (it learns of it once its surface shows): then, with
    /// `fallBack`, the window manager is asked instead, which has sway mark
    /// the window urgent at least.
    bool activate(xcb_window_t window, xcb_timestamp_t time, bool fallBack = true);
    /// Sends the moves, sway's in one message; false when sway refused them.
    bool move(const std::vector<Move>& moves);
    void raise(xcb_window_t window);

private:
    const Connection& connection_;
    WindowCache& cache_;
    SwayIpc* sway_;
};

}  // namespace corvane::x11
