#pragma once

#include <map>
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
    /// Labels of switch keys (by choice id) and titles of jump styles (by raw
    /// value) that read otherwise here; the others keep their own.
    std::map<std::string, std::string> hotkeyLabels;
    std::map<std::string, std::string> jumpStyleTitles;
};

}  // namespace corvane::platform
