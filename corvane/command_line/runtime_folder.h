#pragma once

#include <filesystem>
#include <string>

namespace corvane::app {

/// The folder of the user's that takes the instance lock and socket: one no
/// other user can enter or have placed there.
struct RuntimeFolder {
    std::filesystem::path path;  ///< empty when no private folder can be had
    std::string note;            ///< why $XDG_RUNTIME_DIR was passed over, or why there is none
};

/// $XDG_RUNTIME_DIR when it is a private folder of the user's; else
/// corvane-<uid> in $TMPDIR (or /tmp), made owner-only when it is not there.
[[nodiscard]] RuntimeFolder runtimeFolder();

/// Why `folder` is no private folder of the user's (it is checked itself,
/// not what a link there points to): empty when it is one.
[[nodiscard]] std::string whyNotPrivate(const std::filesystem::path& folder);

}  // namespace corvane::app
