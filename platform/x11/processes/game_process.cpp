#include "platform/x11/processes/game_process.h"

#include "platform/x11/processes/bundle_identifier.h"

namespace corvane::x11 {

namespace {

/// The kernel keeps at most this many characters of a process's name.
constexpr std::size_t kCommandNameLimit = 15;

}  // namespace

bool mayBeCut(std::string_view commandName) {
    return commandName.size() >= kCommandNameLimit;
}

std::string executableName(std::string_view commandName, std::string_view argument0) {
    if (!mayBeCut(commandName) || argument0.empty()) return std::string(commandName);
    const std::size_t slash = argument0.find_last_of("/\\");
    const std::string_view base = slash == std::string_view::npos ? argument0 : argument0.substr(slash + 1);
    // Only a name the kernel's one is the start of: argv[0] may have been rewritten.
    return base.starts_with(commandName) ? std::string(base) : std::string(commandName);
}

ProcessKind recognise(std::string_view executable, const std::vector<std::string>& windowClasses) {
    if (auto game = gameIdentifier(executable)) return {std::move(game), Recognition::processName};
    for (const auto& windowClass : windowClasses) {
        if (auto game = gameIdentifier(windowClass)) return {std::move(game), Recognition::windowClass};
    }
    if (windowClasses.empty()) return {};
    return {windowClasses.front(), Recognition::none};
}

std::optional<std::string> launchIdentity(const ProcStat& proc, platform::Pid pid) {
    const auto arguments = proc.arguments(pid);
    if (arguments.empty()) return std::nullopt;
    std::string prefix = proc.environmentVariable(pid, "WINEPREFIX").value_or("");
    if (prefix.empty()) {
        const auto home = proc.environmentVariable(pid, "HOME");
        if (!home) return std::nullopt;  // another user's process, or one without a home
        prefix = *home + "/.wine";
    }
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    std::string identity = prefix;
    for (const auto& argument : arguments) identity += "\n" + argument;
    return identity;
}

}  // namespace corvane::x11
