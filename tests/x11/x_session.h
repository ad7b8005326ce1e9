#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "game_process.h"
#include "text_file.h"
#include "x_inspector.h"

namespace corvane::x11test {

struct SessionOptions {
    int width = 1440;
    int height = 900;
    /// RandR monitors, the primary first; none: the screen is one monitor.
    std::vector<platform::Rect> monitors{};
    bool windowManager = true;
    /// Extensions the server leaves out ("X-Resource").
    std::vector<std::string> disabledExtensions{};
};

/// A private desktop for the tests: Xvfb on a free display, openbox on it, and
/// a temporary folder for logs and settings. DISPLAY and XDG_CONFIG_HOME of the
/// test process point at it while it lives. Everything it started ends with it.
/// With CORVANE_KEEP_TEST_FILES set, the folder (the servers', games' and
/// program's logs) stays and its path is printed.
class XSession {
public:
    /// Why a session cannot start here ("" when it can): Xvfb or openbox missing.
    [[nodiscard]] static std::string missingPrograms(const SessionOptions& options = {});
    /// An absolute path to `program` found in PATH, or "" when there is none.
    [[nodiscard]] static std::string findInPath(const std::string& program);

    /// Starts everything and waits until the window manager works; throws
    /// std::runtime_error (with the servers' logs) when it does not.
    explicit XSession(SessionOptions options = {});
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    ~XSession();

    [[nodiscard]] const std::string& display() const { return display_; }
    [[nodiscard]] XInspector& x() { return *inspector_; }
    [[nodiscard]] const std::filesystem::path& folder() const { return folder_; }
    /// Ends the X server now, as a crash or a logout would.
    void stopServer();
    /// The primary monitor in root coordinates.
    [[nodiscard]] platform::Rect primaryMonitor() const;
    /// A fresh path in the session's folder.
    [[nodiscard]] std::filesystem::path newPath(const std::string& stem);

    /// Starts a fake game and waits until the window manager manages its
    /// window; throws std::runtime_error when it does not within the timeout.
    [[nodiscard]] std::unique_ptr<GameProcess> launchGame(const GameSpec& spec);
    /// The managed window of `pid`, once it is in _NET_CLIENT_LIST and viewable
    /// (without a window manager: once it is a viewable child of the root).
    std::optional<xcb_window_t> waitForManagedWindow(pid_t pid);
    /// The same for a game whose _NET_WM_PID is not its pid: the window its log names.
    std::optional<xcb_window_t> waitForManagedWindowInLog(const std::filesystem::path& log);
    /// Ends a game and waits until the window manager has dropped its window.
    void quitGame(GameProcess& game);
    /// Has the window manager drop a game's window and manage it again, so it
    /// comes last in _NET_CLIENT_LIST; false when that does not happen in time.
    bool remanage(xcb_window_t window);

private:
    void startServer();
    /// Starts Xvfb on `display`; its number once it accepts clients, nullopt when it cannot.
    std::optional<int> startServerOn(int display);
    void startWindowManager();
    void waitForFocusOnNewWindows();
    [[nodiscard]] std::string logs() const;

    SessionOptions options_;
    std::filesystem::path folder_;
    std::string display_;
    std::optional<ChildProcess> server_;
    std::optional<ChildProcess> windowManager_;
    std::unique_ptr<XInspector> inspector_;
    std::optional<std::string> previousDisplay_;
    std::optional<std::string> previousConfigHome_;
    int pathCounter_ = 0;
};

}  // namespace corvane::x11test
