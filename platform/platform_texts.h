#pragma once

#include <string>

namespace corvane::platform {

/// The control panel's words that depend on the desktop it runs on: what a
/// permission is called there and who may hold a key. The defaults are the
/// wording for a desktop with Accessibility and Screen Recording permissions.
struct PlatformTexts {
    /// Whether the desktop has an Accessibility permission the user can grant.
    bool hasAccessibilityPermission = true;
    std::string hotkeyTaken = "That key is taken by macOS or another app. Pick a different one.";
    std::string jumpKeysTaken = "Some jump keys are taken by macOS or another app. Pick a different set.";
    std::string screenRecordingNeeded =
        "macOS needs Screen Recording for the preview: System Settings \u2192 Privacy & Security \u2192 "
        "Screen Recording \u2192 Corvane, then toggle this off and on.";
};

}  // namespace corvane::platform
