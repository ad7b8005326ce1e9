#pragma once

#include <string>
#include <vector>

#include "corvane/command_line/command_line.h"

namespace corvane::app {

/// `corvane --check`: says on stdout, a line each, what Corvane needs and
/// whether this desktop gives it (the session, the window manager's features
/// and the fallback for each one missing, whether it moves and activates a
/// window, the extensions, the keys the settings name, the tray, the games
/// running now, the settings file), then what to do. Returns the exit
/// status: 0 when everything the settings need works, 1 otherwise.
int runDesktopCheck(const RunOptions& options, std::vector<std::string> arguments);

}  // namespace corvane::app
