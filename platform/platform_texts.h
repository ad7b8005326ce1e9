#pragma once

#include <string>

namespace corvane::platform {

/// The words that depend on the desktop the program runs on: what a
/// permission is called there, who may hold a key, what its modifier keys
/// are called. The defaults are the wording for a desktop with Accessibility
/// and Screen Recording permissions and an Option key.
struct PlatformTexts {
    /// Whether the desktop has an Accessibility permission the user can grant.
    bool hasAccessibilityPermission = true;
    std::string hotkeyTaken = "That key is taken by macOS or another app. Pick a different one.";
    std::string hotkeyMissing = "This keyboard has no such key. Pick a different one.";
    std::string jumpKeysTaken = "Some jump keys are taken by macOS or another app. Pick a different set.";
    std::string jumpKeysMissing = "This keyboard lacks some of these jump keys. Pick a different set.";
    std::string jumpKeysCollide = "The switch key is one of these jump keys. Pick a different set.";
    std::string screenRecordingNeeded =
        "macOS needs Screen Recording for the preview: System Settings \u2192 Privacy & Security \u2192 "
        "Screen Recording \u2192 Corvane, then toggle this off and on.";
    /// Whether keys are named as on X11 (Alt where a Mac has Option); the key
    /// table holds both wordings.
    bool x11KeyLabels = false;
};

}  // namespace corvane::platform
