#pragma once

#include <filesystem>

namespace corvane::platform {

/// The user's home: $HOME, or the user database's word when it is unset (as
/// under some service managers); empty when neither knows.
[[nodiscard]] std::filesystem::path homeDirectory();

/// Where the user's configuration lives: $XDG_CONFIG_HOME when it is an
/// absolute path (a relative one is invalid), else ~/.config; empty when no
/// home folder is known.
[[nodiscard]] std::filesystem::path configDirectory();

}  // namespace corvane::platform
