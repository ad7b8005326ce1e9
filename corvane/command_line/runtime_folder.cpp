#include "corvane/command_line/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace corvane::app {

namespace {

std::filesystem::path absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return {};
    std::filesystem::path path(value);
    return path.is_absolute() ? path : std::filesystem::path();
}

}  // namespace

std::string whyNotPrivate(const std::filesystem::path& folder) {
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) return std::generic_category().message(errno);
    if (!S_ISDIR(info.st_mode)) return "not a folder";
    if (info.st_uid != getuid()) return "it belongs to another user";
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) return "others may enter it";
    return {};
}

RuntimeFolder runtimeFolder() {
    RuntimeFolder folder;
    if (const auto runtime = absoluteVariable("XDG_RUNTIME_DIR"); !runtime.empty()) {
        const std::string problem = whyNotPrivate(runtime);
        if (problem.empty()) return {runtime, {}};
        folder.note = "XDG_RUNTIME_DIR " + runtime.string() + " is not private (" + problem + ")";
    }
    auto temporary = absoluteVariable("TMPDIR");
    if (temporary.empty()) temporary = "/tmp";
    const auto own = temporary / ("corvane-" + std::to_string(getuid()));
    // Never an existing one of another user's, nor one reached through a link.
    if (mkdir(own.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        folder.note +=
            (folder.note.empty() ? "" : "; ") + own.string() + ": " + std::generic_category().message(errno);
        return folder;
    }
    if (const std::string problem = whyNotPrivate(own); !problem.empty()) {
        folder.note += (folder.note.empty() ? "" : "; ") + own.string() + " is not private (" + problem + ")";
        return folder;
    }
    folder.path = own;
    return folder;
}

}  // namespace corvane::app
