#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game_process.h"
#include "x_session.h"

namespace corvane::x11test {

/// Starts the one X session of a test binary run before the first test and
/// ends it after the last; when it cannot start, every X11 test is skipped
/// with the reason.
class SessionEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    /// The running session, or nullptr (then `skipReason()` says why).
    static XSession* session();
    static const std::string& skipReason();
};

/// Base of every test on the shared X session: skips when there is none, and
/// ends the games a test started, also when the test fails.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// The session; throws when there is none (a fixture that went on after
    /// the skip in SetUp), so that mistake fails instead of crashing the run.
    [[nodiscard]] XSession& session();
    [[nodiscard]] XInspector& x() { return session().x(); }
    /// Starts a fake game that lives until the end of the test.
    GameProcess& launchGame(const GameSpec& spec);
    /// Starts `count` games numbered 1 to `count`, each after the previous
    /// one's window is managed, so their launch times are in that order.
    std::vector<GameProcess*> launchGames(int count);
    void quitGame(GameProcess& game) { session_->quitGame(game); }
    /// Runs the rest of the test on another session (started by the test).
    void useSession(XSession& other) { session_ = &other; }

private:
    XSession* session_ = nullptr;
    std::vector<std::unique_ptr<GameProcess>> games_;
};

}  // namespace corvane::x11test
