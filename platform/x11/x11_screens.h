#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <chrono>
#include <optional>
#include <vector>

#include "platform/screens.h"
#include "platform/x11/connection.h"
#include "platform/x11/event_loop.h"
#include "platform/x11/screen_layout.h"

namespace corvane::x11 {

/// The monitors from RandR and the work area the window manager leaves free.
/// The monitor layout is kept until RandR reports a change, and at most a
/// second, since the server reports no change of user-defined monitors.
class X11Screens final : public platform::Screens {
public:
    X11Screens(const Connection& connection, EventLoop& loop);

    [[nodiscard]] std::vector<platform::Screen> screens() override;
    /// The primary screen: where the program arranges its windows.
    [[nodiscard]] std::optional<platform::Screen> mainScreen() override;

    /// The primary monitor in root coordinates; its top-left corner is the
    /// origin of the coordinates other windows are placed in.
    [[nodiscard]] platform::Rect primaryRootFrame();

private:
    /// Root coordinates, primary first; never empty.
    const std::vector<platform::Rect>& monitors();
    [[nodiscard]] std::vector<platform::Rect> readMonitors() const;
    [[nodiscard]] std::optional<platform::Rect> primaryCrtc() const;
    [[nodiscard]] std::vector<Monitor> randrMonitors() const;
    [[nodiscard]] platform::Rect rootFrame() const;
    [[nodiscard]] std::optional<platform::Rect> workArea() const;
    void watchRandr(EventLoop& loop);

    const Connection& connection_;
    bool hasPrimaryOutput_ = false;  ///< RandR 1.3
    bool hasMonitors_ = false;       ///< RandR 1.5
    std::optional<std::vector<platform::Rect>> monitors_;
    std::chrono::steady_clock::time_point monitorsRead_;
    Subscription screenChange_;
    Subscription randrNotify_;
};

}  // namespace corvane::x11
