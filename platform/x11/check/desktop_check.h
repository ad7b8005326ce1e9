// For `corvane --check`: what the desktop gives the program, each need on a line.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "platform/x11/x11_backend.h"

namespace corvane::x11 {

/// One thing the program needs of the desktop, and what the desktop gives.
struct DesktopFinding {
    enum class Verdict {
        works,     ///< there as the program wants it
        fallback,  ///< missing, and the program does without it (the line says how)
        missing,   ///< missing, and something the settings ask for does not work
    };
    Verdict verdict = Verdict::works;
    std::string line;
    std::string advice;  ///< what the player can do about a missing one
};

/// A key the settings ask for.
struct KeyToCheck {
    std::string what;  ///< "the switch key ` (backtick)"
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
};

/// What the settings ask of the desktop.
struct DesktopNeeds {
    std::vector<KeyToCheck> keys;
    bool border = true;
    bool previews = false;
};

/// Looks at the desktop the backend is connected to, one finding a line: the
/// session and its window manager, the window manager's features the program
/// uses (and the fallback for each one missing), whether it really moves and
/// activates a window of the check's own, the extensions, the keys, the
/// XEmbed tray. Runs the backend's loop for a few seconds at most.
std::vector<DesktopFinding> checkDesktop(X11Backend& backend, const DesktopNeeds& needs);

/// Whether the X server is a Wayland desktop's XWayland.
bool connectionIsXwayland(const Connection& connection);

}  // namespace corvane::x11
