// For `corvane --check`: each game found, and each look-alike window not taken, with why.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <set>
#include <vector>

#include "platform/geometry.h"
#include "platform/x11/check/desktop_check.h"
#include "platform/x11/desktop/x11_workspace.h"

namespace corvane::x11 {

/// For `corvane --check`: one line for each game found (`games`, the pids the
/// program takes as clients), saying how it was recognised and which window
/// is its, and one for each window that looks like the game (titled "World of
/// Warcraft", or a Proton class) but is not taken, saying why.
std::vector<DesktopFinding> gameFindings(const Connection& connection, X11Workspace& workspace,
                                         const std::set<platform::Pid>& games);

}  // namespace corvane::x11
