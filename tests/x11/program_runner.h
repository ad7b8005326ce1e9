#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "child_process.h"

namespace corvane::x11test {

using Environment = std::vector<std::pair<std::string, std::string>>;

/// Starts the real corvane program as a user's desktop does, each start on a
/// D-Bus session of its own, and reads what it says on stderr. Whatever it
/// started for the program (buses, services) ends with it.
class ProgramRunner {
public:
    /// `folder` takes the logs and the runtime folder; `desktop` holds the
    /// desktop's variables every start gets (DISPLAY at least, XAUTHORITY,
    /// WAYLAND_DISPLAY...); `configHome` is $XDG_CONFIG_HOME.
    ProgramRunner(std::filesystem::path folder, Environment desktop, std::filesystem::path configHome);
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;
    ~ProgramRunner();

    /// Starts corvane; its stderr goes to a file of its own.
    ChildProcess start(const std::vector<std::string>& arguments = {}, Environment environment = {});
    /// What `corvane --check` says on stdout, and its exit status (nullopt when it hangs).
    struct CheckOutcome {
        std::optional<int> status;
        std::string report;
    };
    CheckOutcome check(Environment environment = {});
    /// Starts the D-Bus session the next start joins (otherwise each start
    /// makes its own), so that services can be on it before the program.
    void startSessionBus();
    /// Starts `argv` on that session and the desktop (a tray, a watcher); its
    /// output goes to the returned file.
    std::filesystem::path startOnBus(const std::vector<std::string>& argv);
    [[nodiscard]] const std::string& busAddress() const { return busAddress_; }
    /// The desktop's variables and the session bus, for a helper of the test.
    [[nodiscard]] Environment helperEnvironment() const;

    /// All the program started last wrote on stderr.
    [[nodiscard]] std::string errors() const;
    /// The same without the lines it writes at every start: the settings file
    /// and, on a display without a tray, that there is none.
    [[nodiscard]] std::string unexpectedErrors() const;
    /// Waits until its stderr holds `text`.
    bool waitForError(const std::string& text) const;

    [[nodiscard]] std::filesystem::path settingsFile() const;
    /// The $XDG_RUNTIME_DIR every start gets, owner-only.
    [[nodiscard]] std::filesystem::path runtimeFolder() const;
    void writeSettings(const std::string& text) const;
    /// A fresh path in the folder.
    [[nodiscard]] std::filesystem::path newPath(const std::string& stem);
    /// The system's Python, which has the AT-SPI and GLib bindings the test tools use.
    [[nodiscard]] static std::string python();

private:
    std::filesystem::path folder_;
    Environment desktop_;
    std::filesystem::path configHome_;
    std::vector<ChildProcess> services_;
    std::vector<ChildProcess> buses_;
    std::string busAddress_;
    bool busFresh_ = false;
    std::filesystem::path errors_;
    std::filesystem::path stdout_;  ///< where the next start's stdout goes; empty: inherited
    int pathCounter_ = 0;
};

}  // namespace corvane::x11test
