#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <map>
#include <utility>

#include "platform/workspace.h"
#include "platform/x11/client_windows.h"
#include "platform/x11/connection.h"
#include "platform/x11/event_loop.h"
#include "platform/x11/proc_stat.h"

namespace corvane::x11 {

/// Running applications as the window manager lists them: the processes
/// behind the managed top-level windows, one entry per _NET_WM_PID.
class X11Workspace final : public platform::Workspace {
public:
    /// `loop` supplies the time of the user action that triggers an activation.
    X11Workspace(const Connection& connection, const EventLoop& loop);

    [[nodiscard]] std::vector<platform::RunningApplication> runningApplications() override;
    [[nodiscard]] std::optional<platform::Pid> frontmostApplicationPid() override;
    bool activateApplication(platform::Pid pid) override;

private:
    [[nodiscard]] std::optional<xcb_window_t> focusedTopLevel() const;
    [[nodiscard]] std::optional<xcb_window_t> largestWindowOf(platform::Pid pid);
    void activateWithoutWindowManager(xcb_window_t window, xcb_timestamp_t time) const;
    /// When the process behind a listed window started, read from /proc once per pid and window.
    [[nodiscard]] std::optional<platform::Date> launchDate(platform::Pid pid, xcb_window_t window);
    void forgetLaunchDatesExcept(const std::vector<KnownClient>& clients);

    const Connection& connection_;
    WindowManagerProbe windowManager_{connection_};
    const EventLoop& loop_;
    ProcStat proc_;
    ClientWindowCache clients_;
    /// Keyed by window as well as pid: a pid reused by a new process comes with a new window.
    std::map<std::pair<platform::Pid, xcb_window_t>, std::optional<platform::Date>> launchDates_;
};

}  // namespace corvane::x11
