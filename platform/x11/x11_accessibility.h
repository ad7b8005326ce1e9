#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/x11/connection.h"
#include "platform/x11/window_cache.h"
#include "platform/x11/x11_screens.h"

namespace corvane::x11 {

/// Other programs' managed top-level windows: their outer frames (client
/// area plus the window manager's decorations) read and placed in root
/// coordinates shifted so that the primary monitor's top-left is the origin.
/// Every call on a window that has vanished does nothing or returns nothing.
/// Moves, resizes and raises go out after the current step of the main loop,
/// all of one window's writes of the step in one request, then the raises.
/// An activation asked for in the same step goes first, and they wait for the
/// window manager's answer (WindowCache::afterActivation), so the player's
/// keys reach the new game without waiting behind the window manager's and
/// the games' work on moves and resizes.
class X11Accessibility final : public platform::Accessibility {
public:
    X11Accessibility(const Connection& connection, X11Screens& screens, WindowCache& windows);

    /// X has no such permission: trusted while the connection is up.
    [[nodiscard]] bool isProcessTrusted() override { return !connection_.broken(); }
    void requestTrust() override {}

    [[nodiscard]] std::optional<std::vector<platform::WindowRef>> windows(platform::Pid pid) override;
    [[nodiscard]] std::optional<platform::Point> position(platform::WindowRef window) override;
    [[nodiscard]] std::optional<platform::Size> size(platform::WindowRef window) override;
    void setPosition(platform::WindowRef ref, platform::Point position) override;
    void setSize(platform::WindowRef ref, platform::Size size) override;
    void raise(platform::WindowRef ref) override;

private:
    /// A window's new client area, as far as this step has set it.
    struct Move {
        std::optional<std::int32_t> x;  ///< with y: the client area's corner in root coordinates
        std::optional<std::int32_t> y;
        std::optional<std::int32_t> width;  ///< with height: the client area's size
        std::optional<std::int32_t> height;
        std::int32_t border = 0;
    };

    /// How long a sent move counts as done while the server reports nothing of the window.
    static constexpr double kPlacementPatience = 0.5;

    /// The primary monitor's top-left corner in root coordinates.
    [[nodiscard]] platform::Point origin();
    /// Where the window is, or will be once this step's moves are done.
    [[nodiscard]] std::optional<WindowPlacement> placement(xcb_window_t window);
    [[nodiscard]] static WindowPlacement placed(WindowPlacement current, const Move& move);
    Move& pendingMove(xcb_window_t window, const WindowPlacement& current);
    /// Sends the step's moves and raises once the step is over.
    void postSend();
    void sendPending();
    void sendRaise(xcb_window_t window) const;
    void sendToWindowManager(xcb_window_t window, const Move& move) const;
    void configure(xcb_window_t window, const Move& move) const;

    const Connection& connection_;
    X11Screens& screens_;
    WindowCache& windows_;
    std::map<xcb_window_t, Move> moves_;
    std::vector<xcb_window_t> raises_;
    bool sendPosted_ = false;
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
};

}  // namespace corvane::x11
