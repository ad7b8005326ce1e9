// The screens service on X11: RandR monitors and the work area.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/randr.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/screens.h"
#include "platform/x11/desktop/screen_layout.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// The monitors from RandR and the work area the window manager leaves free,
/// both kept until the server reports a change (RandR notifications, the
/// root's PropertyNotify). The server reports no change of user-defined
/// monitors, so their list is asked again every second in the background: the
/// answer is read a second later, when it is long in, and only a difference
/// makes the layout be read again.
class X11Screens final : public platform::Screens {
public:
    X11Screens(const Connection& connection, EventLoop& loop, WindowCache& cache);

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
    /// Gives each screen the name of the RandR monitor it is (read once per monitor layout).
    void nameScreens(std::vector<platform::Screen>& screens);
    [[nodiscard]] std::vector<std::pair<platform::Rect, std::string>> readMonitorNames() const;
    [[nodiscard]] std::optional<platform::Rect> primaryCrtc() const;
    [[nodiscard]] std::vector<Monitor> randrMonitors() const;
    [[nodiscard]] platform::Rect rootFrame() const;
    [[nodiscard]] std::optional<platform::Rect> workArea();
    void watchRandr(EventLoop& loop);
    void checkUserMonitors();

    const Connection& connection_;
    WindowCache& cache_;
    bool hasPrimaryOutput_ = false;  ///< RandR 1.3
    bool hasMonitors_ = false;       ///< RandR 1.5
    std::optional<std::vector<platform::Rect>> monitors_;
    /// The named monitors of the layout in monitors_, in root coordinates.
    std::optional<std::vector<std::pair<platform::Rect, std::string>>> names_;
    std::optional<Cookie<xcb_randr_get_monitors_cookie_t, xcb_randr_get_monitors_reply_t>> monitorCheck_;
    std::vector<Monitor> checkedMonitors_;
    std::unique_ptr<platform::Timer> monitorTimer_;
    Subscription screenChange_;
    Subscription randrNotify_;
};

}  // namespace corvane::x11
