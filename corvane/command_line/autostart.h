#pragma once

#include <filesystem>
#include <string>

namespace corvane::app {

/// What a change of the login entry did, in words for the user.
struct AutostartOutcome {
    bool ok = false;
    std::string message;
};

/// $XDG_CONFIG_HOME/autostart/corvane.desktop; ~/.config/autostart/corvane.desktop
/// when that variable is unset, empty or not an absolute path.
[[nodiscard]] std::filesystem::path autostartEntryPath();

/// Writes (`on`) or removes the XDG autostart entry at `entry` that starts
/// `executable` at login.
AutostartOutcome setAutostart(bool on, const std::filesystem::path& entry,
                              const std::filesystem::path& executable);

}  // namespace corvane::app
