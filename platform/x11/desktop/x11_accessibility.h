// The accessibility service on X11: other programs' windows, their frames, moves and focus.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/x11/desktop/step_writes.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/desktop/x11_screens.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// Other programs' managed top-level windows: their outer frames (client
/// area plus the window manager's decorations) read and placed in root
/// coordinates shifted so that the primary monitor's top-left is the origin.
/// Every call on a window that has vanished does nothing or returns nothing.
/// The writes go out as StepWrites orders them; a frame reads back as written.
class X11Accessibility final : public platform::Accessibility {
public:
    X11Accessibility(const Connection& connection, X11Screens& screens, WindowCache& cache,
                     StepWrites& writes);

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
    /// The primary monitor's top-left corner in root coordinates.
    [[nodiscard]] platform::Point origin();

    const Connection& connection_;
    X11Screens& screens_;
    WindowCache& cache_;
    StepWrites& writes_;
};

}  // namespace corvane::x11
