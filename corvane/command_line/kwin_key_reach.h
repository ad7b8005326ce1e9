#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::app {

/// Which keys KDE Plasma's "Legacy X11 App Support" (kwinrc, [Xwayland]
/// XwaylandEavesdrops) hands to X programs while a Wayland window has the
/// focus: only those reach Corvane's grabs from every window.
enum class KwinEavesdrop {
    none,          ///< "None": no key
    modifiers,     ///< "Modifiers": keys that type no character (F13, Shift...)
    combinations,  ///< "Combinations", the default: those, and keys held with Control, Alt or Meta
    all,           ///< "All": every key
};

/// The setting in the kwinrc text `text`; the default where it is not set or unknown.
[[nodiscard]] KwinEavesdrop kwinEavesdrop(std::string_view text);
/// The setting of the user's kwinrc ($XDG_CONFIG_HOME/kwinrc).
[[nodiscard]] KwinEavesdrop userKwinEavesdrop(const std::filesystem::path& configDirectory);

/// A key as the settings ask for it, by what KWin looks at.
struct KeyReachQuestion {
    std::string what;     ///< "the switch key ` (backtick)"
    std::string xkbName;  ///< the physical key ("TLDE"): the function keys type no character
    std::uint32_t modifiers = 0;
    /// The choices to suggest instead: one that types no character, one held with Control.
    std::string functionKeys;
    std::string controlKeys;
};

/// One line for `corvane --check`: whether the key reaches Corvane from every
/// window under `mode`, and what to change where it does not.
struct KeyReach {
    bool everywhere = false;
    std::string line;
};
[[nodiscard]] KeyReach keyReach(KwinEavesdrop mode, const KeyReachQuestion& key);

}  // namespace corvane::app
