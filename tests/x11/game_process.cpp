#include "game_process.h"

#include <algorithm>
#include <fstream>

#include "wait_until.h"

#ifndef FAKE_GAME_PATH
#error "FAKE_GAME_PATH must name the fake-game binary"
#endif

namespace corvane::x11test {

SpawnOptions fakeGame(const GameSpec& spec, const std::filesystem::path& log,
                      const std::filesystem::path& errors) {
    std::vector<std::string> argv = {FAKE_GAME_PATH, "--number",  std::to_string(spec.number),
                                     "--color",      spec.color,  "--size",
                                     spec.size,      "--log",     log.string(),
                                     "--class",      spec.wmClass};
    if (spec.position) {
        argv.emplace_back("--position");
        argv.push_back(*spec.position);
    }
    if (!spec.processName.empty()) argv.insert(argv.end(), {"--process-name", spec.processName});
    if (spec.claimedPid) argv.insert(argv.end(), {"--claim-pid", std::to_string(*spec.claimedPid)});
    if (spec.ownPidNamespace) {
        // As Flatpak and Steam's runtime do: the game sees itself as a small pid.
        argv.insert(argv.begin(), {findInPath("unshare"), "--pid", "--fork", "--mount-proc", "--kill-child"});
    }
    return {.argv = std::move(argv), .stderrPath = errors.string()};
}

GameProcess::GameProcess(ChildProcess process, xcb_window_t window, std::filesystem::path log, int number,
                         std::optional<pid_t> pid)
    : process_(std::move(process)), window_(window), log_(std::move(log)), number_(number), pid_(pid) {}

std::optional<xcb_window_t> windowInLog(const std::filesystem::path& log) {
    std::ifstream in(log);
    constexpr std::string_view kMark = " window=";
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find(kMark);
        if (!line.starts_with("Ready ") || at == std::string::npos) continue;
        return static_cast<xcb_window_t>(std::stoul(line.substr(at + kMark.size())));
    }
    return std::nullopt;
}

std::optional<pid_t> onlyChildOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    pid_t child = 0;
    if (in >> child) return child;
    return std::nullopt;
}

std::vector<std::string> GameProcess::logLines() const {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool GameProcess::waitForLog(const std::string& text, std::chrono::milliseconds timeout) const {
    return waitUntil(
        [&] {
            return std::ranges::any_of(
                logLines(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
        },
        timeout);
}

}  // namespace corvane::x11test
