#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace fake_game {

/// What one fake game client looks like; see --help for the options.
struct FakeGameOptions {
    int number = 1;
    std::uint32_t color = 0x2B4C7E;  ///< RRGGBB
    std::uint16_t width = 1024;
    std::uint16_t height = 768;
    /// Unset: every client opens at the same spot, one on top of the other.
    std::optional<std::pair<std::int16_t, std::int16_t>> position;
    std::string logPath;
    std::string wmClass = "wow.exe";
    std::string title = "World of Warcraft";
    /// The process's name as the kernel keeps it, set as Wine sets the game's ("Wow.exe").
    std::string processName;
    /// What _NET_WM_PID says instead of the real pid (a process in a PID namespace, or an impostor).
    std::optional<std::uint32_t> claimedPid;
};

struct HelpRequested {};
struct OptionError {
    std::string message;
};

using ParseResult = std::variant<FakeGameOptions, HelpRequested, OptionError>;

[[nodiscard]] ParseResult parseOptions(const std::vector<std::string>& arguments);
[[nodiscard]] const char* usage();

}  // namespace fake_game
