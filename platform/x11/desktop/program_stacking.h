// Where our floating windows go in the stacking: above the games, below the panel.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <optional>

#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// Where the program's floating windows (the border, the previews) go when
/// they raise themselves: to the top, but below the control panel while it
/// is shown, since that is what the user works with then.
class ProgramStacking {
public:
    ProgramStacking(const Connection& connection, WindowCache& cache);

    /// The panel's window (another connection's, Qt's) while it is shown; none while hidden.
    void keepBelow(std::optional<xcb_window_t> panel) { panel_ = panel; }

    /// Raises a window the window manager manages (a preview).
    void raiseManaged(xcb_window_t window);
    /// Raises an override-redirect child of the root (the border).
    void raiseUnmanaged(xcb_window_t window);

private:
    /// The root's child that holds `window`: the window manager's frame, if it has one.
    [[nodiscard]] std::optional<xcb_window_t> topLevelOf(xcb_window_t window) const;

    const Connection& connection_;
    WindowCache& cache_;
    std::optional<xcb_window_t> panel_;
};

}  // namespace corvane::x11
