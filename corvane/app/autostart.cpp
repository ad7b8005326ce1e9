#include "corvane/app/autostart.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/xdg_paths.h"

namespace corvane::app {

namespace {

/// The Exec key's quoting: a path with a space or a special character goes in
/// double quotes, with the four characters that need it escaped.
std::string execArgument(const std::string& path) {
    if (path.find_first_of(" \t\"'\\$`<>|&;()*?#~=%") == std::string::npos) return path;
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string entryText(const std::filesystem::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Corvane\n"
           "Comment=Arranges and switches between World of Warcraft windows\n"
           "Exec=" +
           execArgument(executable.string()) +
           "\n"
           "Icon=corvane\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

AutostartOutcome addEntry(const std::filesystem::path& entry, const std::filesystem::path& executable) {
    std::error_code error;
    std::filesystem::create_directories(entry.parent_path(), error);
    if (error) return {false, "cannot create " + entry.parent_path().string() + ": " + error.message()};
    std::ofstream out(entry, std::ios::trunc);
    out << entryText(executable);
    out.close();
    if (!out) return {false, "cannot write " + entry.string()};
    return {true, "Corvane will start at login (" + entry.string() + " written)"};
}

AutostartOutcome removeEntry(const std::filesystem::path& entry) {
    std::error_code error;
    const bool removed = std::filesystem::remove(entry, error);
    if (error) return {false, "cannot remove " + entry.string() + ": " + error.message()};
    if (!removed) return {true, "Corvane was not starting at login (no " + entry.string() + ")"};
    return {true, "Corvane will no longer start at login (" + entry.string() + " removed)"};
}

}  // namespace

std::filesystem::path autostartEntryPath() {
    return platform::configDirectory() / "autostart" / "corvane.desktop";
}

AutostartOutcome setAutostart(bool on, const std::filesystem::path& entry,
                              const std::filesystem::path& executable) {
    return on ? addEntry(entry, executable) : removeEntry(entry);
}

}  // namespace corvane::app
