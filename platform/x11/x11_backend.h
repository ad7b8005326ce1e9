// The whole X11 backend on one connection, with the loop that drives it.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/x11/capture/x11_capture.h"
#include "platform/x11/desktop/step_writes.h"
#include "platform/x11/desktop/sway_ipc.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/desktop/write_route.h"
#include "platform/x11/desktop/x11_accessibility.h"
#include "platform/x11/desktop/x11_screens.h"
#include "platform/x11/desktop/x11_workspace.h"
#include "platform/x11/keys/x11_hot_keys.h"
#include "platform/x11/own_windows/x11_windows.h"
#include "platform/x11/processes/x11_process_info.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// Every platform service on one X connection, with the loop that drives them.
class X11Backend {
public:
    /// Connects to `displayName` (empty: $DISPLAY); nullptr when no display can be opened.
    /// `arguments` are the process's launch arguments, element 0 its own path.
    static std::unique_ptr<X11Backend> open(const std::string& displayName,
                                            std::vector<std::string> arguments);
    X11Backend(std::unique_ptr<Connection> connection, std::vector<std::string> arguments);
    ~X11Backend();
    X11Backend(const X11Backend&) = delete;
    X11Backend& operator=(const X11Backend&) = delete;
    X11Backend(X11Backend&&) = delete;
    X11Backend& operator=(X11Backend&&) = delete;

    /// The services for the program; `defaults` and this backend must outlive its users.
    [[nodiscard]] platform::Platform platform(platform::DefaultsStore& defaults);

    [[nodiscard]] Connection& connection() { return *connection_; }
    [[nodiscard]] EventLoop& loop() { return loop_; }
    [[nodiscard]] X11Workspace& workspace() { return workspace_; }
    [[nodiscard]] X11Accessibility& accessibility() { return accessibility_; }
    [[nodiscard]] X11Screens& screens() { return screens_; }
    [[nodiscard]] X11HotKeys& hotKeys() { return hotKeys_; }
    /// sway's command channel where sway runs; null elsewhere.
    [[nodiscard]] SwayIpc* sway() { return sway_.get(); }
    /// How other programs' windows are activated, moved and raised on this desktop.
    [[nodiscard]] WriteRoute& route() { return route_; }
    [[nodiscard]] X11Windows& windows() { return windows_; }
    [[nodiscard]] X11Capture& capture() { return capture_; }
    [[nodiscard]] WindowCache& windowCache() { return windowCache_; }

private:
    // Declared in dependency order: destroyed services first, the connection last.
    std::unique_ptr<Connection> connection_;
    EventLoop loop_;
    WindowCache windowCache_;
    std::unique_ptr<SwayIpc> sway_;
    WriteRoute route_;
    StepWrites writes_;
    X11ProcessInfo processInfo_;
    X11Screens screens_;
    X11Workspace workspace_;
    X11Accessibility accessibility_;
    X11HotKeys hotKeys_;
    X11Windows windows_;
    X11Capture capture_;
};

}  // namespace corvane::x11
