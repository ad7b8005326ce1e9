// The workspace service on X11: the running games, the frontmost one, activation.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <map>
#include <optional>
#include <utility>

#include "platform/workspace.h"
#include "platform/x11/desktop/step_writes.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/processes/game_process.h"
#include "platform/x11/processes/proc_stat.h"
#include "platform/x11/processes/process_watch.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// One listed window and what discovery made of the process behind it.
struct ListedWindow {
    ForeignClient client;
    std::string executable;  ///< its process's name as Wine set it; "" when unknown
    ProcessKind kind;        ///< of its process
};

/// Running applications as the window manager lists them: the processes
/// behind the managed top-level windows (WindowOwner), one entry per process.
///
/// An activation the program asked for counts as the frontmost application
/// until the window manager answers it or lets it lapse (ActivationRecord):
/// a tick that runs in between must not read the old game as frontmost and
/// undo the switch.
class X11Workspace final : public platform::Workspace {
public:
    /// `loop` supplies the time of the user action that triggers an activation.
    X11Workspace(const Connection& connection, const EventLoop& loop, WindowCache& cache, StepWrites& writes);

    [[nodiscard]] std::vector<platform::RunningApplication> runningApplications() override;
    [[nodiscard]] std::optional<platform::Pid> frontmostApplicationPid() override;
    bool activateApplication(platform::Pid pid) override;
    [[nodiscard]] std::optional<std::string> launchIdentity(platform::Pid pid) override;

    /// Every listed window with its process as discovery sees it (for --check).
    [[nodiscard]] std::vector<ListedWindow> listedWindows();

private:
    /// What /proc says of a process, read once per process and window.
    struct ProcessFacts {
        std::optional<platform::Date> launchDate;
        std::string executable;
        std::optional<std::optional<std::string>> launchIdentity;  ///< read when first asked
        ProcessKind kind;
    };

    /// The window the window manager (or, without one, the X focus) has as active.
    [[nodiscard]] std::optional<xcb_window_t> activeWindow();
    [[nodiscard]] std::optional<xcb_window_t> focusedTopLevel() const;
    [[nodiscard]] std::optional<xcb_window_t> largestWindowOf(platform::Pid pid);
    /// The facts of the process behind a listed window, read from /proc once per pid and window.
    [[nodiscard]] ProcessFacts& processFacts(platform::Pid pid, xcb_window_t window);
    void forgetProcessesExcept(const std::vector<ForeignClient>& clients);
    void buildApplications(const std::vector<ForeignClient>& clients);
    /// Builds the applications again when the client list changed; false when it cannot be read.
    bool refreshApplications();

    const Connection& connection_;
    const EventLoop& loop_;
    WindowCache& cache_;
    StepWrites& writes_;
    ProcStat proc_;
    ProcessWatch processes_{proc_};
    /// The applications as built from the client list of `applicationsGeneration_`;
    /// only whether each process still runs is looked at again on every call.
    std::vector<platform::RunningApplication> applications_;
    std::uint64_t applicationsGeneration_ = 0;
    /// Keyed by window as well as pid: a pid reused by a new process comes with a new window.
    std::map<std::pair<platform::Pid, xcb_window_t>, ProcessFacts> facts_;
    /// Each listed process's first window, which keys its facts.
    std::map<platform::Pid, xcb_window_t> firstWindow_;
};

}  // namespace corvane::x11
