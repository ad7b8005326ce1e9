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
    std::string processName{};                  ///< as Wine names the game's process; unset: fake-game's own
    std::optional<std::uint32_t> claimedPid{};  ///< _NET_WM_PID instead of its own pid
    bool ownPidNamespace = false;               ///< runs in a PID namespace of its own, as in a sandbox
};

/// How to start that game with `log` as its --log, its stderr to `errors`.
[[nodiscard]] SpawnOptions fakeGame(const GameSpec& spec, const std::filesystem::path& log,
                                    const std::filesystem::path& errors);

/// A running fake-game process and its managed window.
class GameProcess {
public:
    /// `pid` is the game's own where it differs from the process started (a sandbox's).
    GameProcess(ChildProcess process, xcb_window_t window, std::filesystem::path log, int number,
                std::optional<pid_t> pid = std::nullopt);

    /// The game's pid on this host.
    [[nodiscard]] pid_t pid() const { return pid_.value_or(process_.pid()); }
    [[nodiscard]] xcb_window_t window() const { return window_; }
    [[nodiscard]] int number() const { return number_; }
    [[nodiscard]] ChildProcess& process() { return process_; }
    /// The lines of its --log so far.
    [[nodiscard]] std::vector<std::string> logLines() const;
    /// Waits until a log line contains `text`.
    bool waitForLog(const std::string& text, std::chrono::milliseconds timeout) const;

private:
    ChildProcess process_;
    xcb_window_t window_;
    std::filesystem::path log_;
    int number_;
    std::optional<pid_t> pid_;
};

/// The window a game's --log says it made; nullopt until it says so.
[[nodiscard]] std::optional<xcb_window_t> windowInLog(const std::filesystem::path& log);
/// The one child of `pid` (the game a sandbox's launcher started); nullopt while it has none.
[[nodiscard]] std::optional<pid_t> onlyChildOf(pid_t pid);

}  // namespace corvane::x11test
