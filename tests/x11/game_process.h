#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace corvane::x11test {

/// How to start one fake game.
struct GameSpec {
    int number = 1;
    std::string color = "2B4C7E";
    std::string size = "800x600";
    std::optional<std::string> position{};  ///< "X,Y"; unset: the shared default spot
    std::string wmClass = "wow.exe";
};

/// How to start that game with `log` as its --log, its stderr to `errors`.
[[nodiscard]] SpawnOptions fakeGame(const GameSpec& spec, const std::filesystem::path& log,
                                    const std::filesystem::path& errors);

/// A running fake-game process and its managed window.
class GameProcess {
public:
    GameProcess(ChildProcess process, xcb_window_t window, std::filesystem::path log, int number);

    [[nodiscard]] pid_t pid() const { return process_.pid(); }
    [[nodiscard]] xcb_window_t window() const { return window_; }
    [[nodiscard]] int number() const { return number_; }
    [[nodiscard]] ChildProcess& process() { return process_; }
    /// The lines of its --log so far.
    [[nodiscard]] std::vector<std::string> logLines() const;
    /// Waits until a log line contains `text`.
    bool waitForLog(const std::string& text, std::chrono::milliseconds timeout);

private:
    ChildProcess process_;
    xcb_window_t window_;
    std::filesystem::path log_;
    int number_;
};

}  // namespace corvane::x11test
