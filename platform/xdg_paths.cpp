#include "platform/xdg_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace corvane::platform {

std::filesystem::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->pw_dir;
    }
    return {};
}

std::filesystem::path configDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr) {
        std::filesystem::path configured(xdg);
        if (configured.is_absolute()) return configured;
    }
    const std::filesystem::path home = homeDirectory();
    // Never a folder relative to wherever the program was started.
    return home.is_absolute() ? home / ".config" : std::filesystem::path();
}

}  // namespace corvane::platform
