#include "game_process.h"

#include <fstream>

#include "wait_until.h"

namespace corvane::x11test {

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
