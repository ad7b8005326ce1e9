#include "game_process.h"

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
    return {.argv = std::move(argv), .stderrPath = errors.string()};
}

GameProcess::GameProcess(ChildProcess process, xcb_window_t window, std::filesystem::path log, int number)
    : process_(std::move(process)), window_(window), log_(std::move(log)), number_(number) {}

std::vector<std::string> GameProcess::logLines() const {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool GameProcess::waitForLog(const std::string& text, std::chrono::milliseconds timeout) {
    return waitUntil(
        [&] {
            for (const auto& line : logLines()) {
                if (line.find(text) != std::string::npos) return true;
            }
            return false;
        },
        timeout);
}

}  // namespace corvane::x11test
