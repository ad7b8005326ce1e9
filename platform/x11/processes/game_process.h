// Whether a process is the game, by the name Wine gives it or its window class.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"
#include "platform/x11/processes/proc_stat.h"

namespace corvane::x11 {

/// What made a process the game.
enum class Recognition {
    processName,  ///< its name as Wine sets it is one of the game's executables
    windowClass,  ///< one of its windows' class is (plain Wine names the class after it)
    none,         ///< neither: it is what its class says it is
};

/// What discovery makes of a process.
struct ProcessKind {
    /// The game's identifier, else the class of its first window that has one.
    std::optional<std::string> bundleIdentifier;
    Recognition how = Recognition::none;
};

/// The name Wine gave the process: the kernel's name for it, or where that was
/// cut at 15 characters the last part of its argv[0] (a Windows path under
/// Wine, so "\" separates too).
std::string executableName(std::string_view commandName, std::string_view argument0);
/// Whether the kernel may have cut `commandName` short (it keeps 15 characters):
/// only then is argv[0] worth reading.
[[nodiscard]] bool mayBeCut(std::string_view commandName);

/// A process is the game when its executable name is one of the game's, else
/// when one of its windows' classes is. Proton names every game's class
/// "steam_app_<id>", which alone says nothing.
ProcessKind recognise(std::string_view executable, const std::vector<std::string>& windowClasses);

/// What stays the same when a game is started again the same way: its Wine
/// prefix (WINEPREFIX, or ~/.wine where unset) and its program with its
/// arguments. nullopt when /proc does not say.
std::optional<std::string> launchIdentity(const ProcStat& proc, platform::Pid pid);

}  // namespace corvane::x11
