#pragma once

#include <xcb/xcb.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "child_process.h"
#include "x11_controller_test.h"

namespace corvane::x11test {

/// The real corvane program as a separate process, the way a user runs it,
/// and the ways a user sees and touches it: its windows, clicks (XTEST).
class ProgramTest : public X11ControllerTest {
protected:
    /// Starts corvane on the session with this test's settings folder; its
    /// stderr goes to a file of its own.
    ChildProcess startProgram(const std::vector<std::string>& arguments = {},
                              std::vector<std::pair<std::string, std::string>> environment = {});
    /// Waits until the program's stderr holds `text`.
    bool waitForError(const std::string& text);
    /// All the program started last wrote on stderr.
    [[nodiscard]] std::string programErrors() const;
    /// The same without the lines it writes at every start: the settings file
    /// and, on a display without a tray, that there is none.
    [[nodiscard]] std::string unexpectedErrors() const;
    void writeSettings(const std::string& text);

    /// Waits until the games sit in `layout`, the main area for any one of them.
    bool waitForLayout(const std::vector<GameProcess*>& games, Layout layout);

    /// The viewable window titled "Corvane" of process `pid`: the panel.
    std::optional<xcb_window_t> panelWindow(pid_t pid);
    /// Moves the pointer to a root position and clicks the first button there (XTEST).
    void clickAt(int rootX, int rootY);
    /// Saves the whole screen as a PNG where the test runs (the build folder).
    std::filesystem::path saveScreenshot(const std::string& name);

private:
    std::filesystem::path errors_;
};

}  // namespace corvane::x11test
