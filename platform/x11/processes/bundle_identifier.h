// A game's identifier from a window's WM_CLASS or its process's name.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <optional>
#include <string>
#include <string_view>

namespace corvane::x11 {

/// The bundle identifier of an application whose windows carry this WM_CLASS
/// class. The game's Windows executables under Wine ("wow.exe", in any case)
/// become identifiers beginning "com.blizzard.worldofwarcraft", so the program
/// finds them by the same rule on every platform; any other class is its own
/// identifier.
std::string bundleIdentifier(std::string_view windowClass);

/// The game's bundle identifier for one of its Windows executables ("Wow.exe",
/// in any case); nullopt for any other name.
std::optional<std::string> gameIdentifier(std::string_view executable);

/// The class part of a WM_CLASS value ("instance\0class\0"); nullopt when it has none.
std::optional<std::string> classPart(std::string_view wmClass);

}  // namespace corvane::x11
