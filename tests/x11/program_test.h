#pragma once

#include <xcb/xcb.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "child_process.h"
#include "program_runner.h"
#include "x11_controller_test.h"

namespace corvane::x11test {

/// The real corvane program as a separate process, the way a user runs it,
/// and the ways a user sees and touches it: its windows, its controls as a
/// screen reader finds them, clicks and keys (XTEST). Each test has a display
/// of its own, and each program start a D-Bus session of its own.
class ProgramTest : public X11ControllerTest {
protected:
    void SetUp() override;
    void TearDown() override;
    /// The test's display: one monitor unless a test asks for more.
    [[nodiscard]] virtual SessionOptions sessionOptions() const { return {}; }

    /// Starts corvane on the test's display with this test's settings folder,
    /// in a new D-Bus session; its stderr goes to a file of its own.
    ChildProcess startProgram(const std::vector<std::string>& arguments = {}, Environment environment = {}) {
        return runner_->start(arguments, std::move(environment));
    }
    /// Starts the D-Bus session the next program start joins (otherwise each
    /// start makes its own), so that services can be on it before the program.
    void startSessionBus() { runner_->startSessionBus(); }
    /// Starts `argv` on that session and display (a tray, a watcher): it ends with
    /// the test. Its output goes to the returned file.
    std::filesystem::path startOnBus(const std::vector<std::string>& argv) {
        return runner_->startOnBus(argv);
    }
    [[nodiscard]] static std::string python() { return ProgramRunner::python(); }
    /// `corvane --check` with `environment` added to the program's.
    ProgramRunner::CheckOutcome runCheck(Environment environment = {}) {
        return runner_->check(std::move(environment));
    }
    bool waitForError(const std::string& text) { return runner_->waitForError(text); }
    [[nodiscard]] std::string programErrors() const { return runner_->errors(); }
    [[nodiscard]] std::string unexpectedErrors() const { return runner_->unexpectedErrors(); }
    void writeSettings(const std::string& text) { runner_->writeSettings(text); }
    [[nodiscard]] std::filesystem::path runtimeFolder() const { return runner_->runtimeFolder(); }

    /// Waits until the games sit in `layout`, the main area for any one of them.
    bool waitForLayout(const std::vector<GameProcess*>& games, Layout layout);

    /// The viewable window titled "Corvane" of process `pid`: the panel.
    std::optional<xcb_window_t> panelWindow(pid_t pid);
    /// Without a tray the panel opens at start and takes the focus: the panel once it has it,
    /// and once Qt has also acted on its map, where it asks for the focus a second time.
    std::optional<xcb_window_t> panelInFront(pid_t pid);
    /// Closes the panel in front, as its title bar's button does; true once the window manager has
    /// given the focus to another window (else it may do so after the test turned to a game).
    bool closeInFront(pid_t pid, xcb_window_t panel);
    /// Where the program's open pop-up menu (the tray icon's) is: menus are no
    /// part of the accessible tree, so it is found as an X window.
    std::optional<platform::Rect> popupMenu(pid_t pid);
    /// The program's viewable preview panels.
    std::vector<xcb_window_t> previewWindows();
    /// Where a control of the program `pid` shows on the screen, found by its
    /// accessible role and name ("push button", "Focus"), the `index`th of
    /// those that show; nullopt when it does not show.
    std::optional<platform::Rect> control(pid_t pid, const std::string& role, const std::string& name,
                                          int index = 0);
    /// Finds that control and clicks its middle; false when it does not show.
    bool clickControl(pid_t pid, const std::string& role, const std::string& name, int index = 0);
    void clickAt(int rootX, int rootY, std::uint8_t button = 1) { x().click(rootX, rootY, button); }
    void dragFrom(std::pair<int, int> from, std::pair<int, int> to) { x().drag(from, to); }
    /// Saves the whole screen as a PNG where the test runs (the build folder).
    std::filesystem::path saveScreenshot(const std::string& name);

private:
    std::unique_ptr<XSession> display_;
    std::unique_ptr<ProgramRunner> runner_;
};

/// Where a click on `rect` lands: its middle pixel.
[[nodiscard]] std::pair<int, int> middle(const platform::Rect& rect);

}  // namespace corvane::x11test
