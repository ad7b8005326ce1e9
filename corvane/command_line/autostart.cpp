#include "corvane/command_line/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "platform/xdg_paths.h"

namespace corvane::app {

namespace {

/// One argument of the Exec key: a path with a reserved character goes in
/// double quotes, the four characters special inside them escaped, and a
/// literal '%' is doubled against field codes throughout.
std::string execArgument(const std::string& path) {
    const bool quote = path.find_first_of(" \t\"'\\$`<>|&;()*?#~") != std::string::npos;
    std::string argument = quote ? "\"" : "";
    for (const char c : path) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
        argument += c;
        if (c == '%') argument += '%';
    }
    if (quote) argument += '"';
    return argument;
}

/// A string value of the key file, whose own escapes a desktop undoes before
/// it reads the Exec key's quoting.
std::string keyFileValue(const std::string& text) {
    std::string value;
    for (const char c : text) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '\t') {
            value += "\\t";
        } else if (c == '\r') {
            value += "\\r";
        } else {
            value += c;
        }
    }
    return value;
}

std::string entryText(const std::filesystem::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Corvane\n"
           "Comment=Arranges and switches between World of Warcraft windows\n"
           "Exec=" +
           keyFileValue(execArgument(executable.string())) +
           "\n"
           "Icon=corvane\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

/// Writes `text` to a new file beside `file` and renames it over `file`: a
/// desktop reading the folder at login sees the old entry or the new one.
std::string writeAtomically(const std::filesystem::path& file, const std::string& text) {
    std::string temporary = file.string() + ".tmp-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return std::generic_category().message(errno);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const bool complete = written == text.size() && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    const int error = complete ? 0 : (errno != 0 ? errno : EIO);
    if (close(fd) != 0 || !complete || std::rename(temporary.c_str(), file.c_str()) != 0) {
        const int reported = error != 0 ? error : errno;
        unlink(temporary.c_str());
        return std::generic_category().message(reported);
    }
    return {};
}

AutostartOutcome addEntry(const std::filesystem::path& entry, const std::filesystem::path& executable) {
    if (executable.string().find('\n') != std::string::npos) {
        return {false,
                "cannot start Corvane at login: the path of the program has a line break, which a "
                "login entry cannot hold"};
    }
    std::error_code error;
    std::filesystem::create_directories(entry.parent_path(), error);
    if (error) return {false, "cannot create " + entry.parent_path().string() + ": " + error.message()};
    if (const auto problem = writeAtomically(entry, entryText(executable)); !problem.empty()) {
        return {false, "cannot write " + entry.string() + ": " + problem};
    }
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
    if (!entry.is_absolute()) {
        return {false,
                "cannot tell where the login entry goes: HOME is not set and the user database "
                "knows no home folder"};
    }
    return on ? addEntry(entry, executable) : removeEntry(entry);
}

}  // namespace corvane::app
