#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/accessibility.h"
#include "platform/geometry.h"
#include "platform/workspace.h"

namespace corvane {

/// One running game client: a process, never a window. Equality is the pid.
struct WowClient {
    platform::Pid pid = 0;
    platform::Date launchDate = platform::Date::distantPast();

    friend bool operator==(const WowClient& a, const WowClient& b) { return a.pid == b.pid; }

    /// Bundle identifiers of the game begin with this.
    static constexpr std::string_view kBundlePrefix = "com.blizzard.worldofwarcraft";

    /// The running clients in slot order: launch date, then pid.
    static std::vector<WowClient> running(platform::Workspace& workspace, platform::ProcessInfo& processInfo);
    /// Bundle identifiers named by the "-previewBundle" launch option.
    static std::set<std::string> extraBundleIDs(const std::vector<std::string>& arguments);

    /// The client's largest window; nullopt when it has none or they cannot be read.
    [[nodiscard]] std::optional<platform::WindowRef> mainWindow(platform::Accessibility& accessibility) const;
    /// A window's frame in window space; nullopt when position or size cannot be read.
    static std::optional<platform::Rect> frame(platform::WindowRef window,
                                               platform::Accessibility& accessibility);
    /// Writes an already rounded frame: position, size, position again.
    static void setFrame(platform::WindowRef window, const platform::Rect& frame,
                         platform::Accessibility& accessibility);
};

}  // namespace corvane
