#include "x11_test.h"

#include <array>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace corvane::x11test {
namespace {

// The state the one environment object shares with the fixtures: gtest owns
// the environment and offers no other way to reach it from a test.
struct SharedSession {
    std::unique_ptr<XSession> session;
    std::string skipReason = "the X session was not started";
};

SharedSession& shared() {
    static SharedSession state;
    return state;
}

constexpr std::array<const char*, 5> kSlotColors = {"34C759", "007AFF", "FF9500", "FF2D55", "AF52DE"};

}  // namespace

void SessionEnvironment::SetUp() {
    auto& state = shared();
    state.skipReason = XSession::missingPrograms();
    if (state.skipReason.empty()) {
        try {
            state.session = std::make_unique<XSession>();
        } catch (const std::exception& error) {
            state.skipReason = std::string("the X session did not start: ") + error.what();
        }
    }
    // ctest reads this line to report the whole binary as skipped.
    if (!state.session) std::printf("x11_tests: skipped: %s\n", state.skipReason.c_str());
}

void SessionEnvironment::TearDown() {
    shared().session.reset();
}

XSession* SessionEnvironment::session() {
    return shared().session.get();
}

const std::string& SessionEnvironment::skipReason() {
    return shared().skipReason;
}

void X11Test::SetUp() {
    session_ = SessionEnvironment::session();
    if (session_ == nullptr) GTEST_SKIP() << SessionEnvironment::skipReason();
}

void X11Test::TearDown() {
    if (session_ == nullptr) return;
    for (auto& game : games_) session_->quitGame(*game);
    games_.clear();
}

XSession& X11Test::session() {
    if (session_ == nullptr) throw std::runtime_error("no X session: " + SessionEnvironment::skipReason());
    return *session_;
}

GameProcess& X11Test::launchGame(const GameSpec& spec) {
    games_.push_back(session().launchGame(spec));
    return *games_.back();
}

std::vector<GameProcess*> X11Test::launchGames(int count) {
    std::vector<GameProcess*> games;
    for (int i = 0; i < count; ++i) {
        GameSpec spec;
        spec.number = i + 1;
        spec.color = kSlotColors.at(static_cast<std::size_t>(i) % kSlotColors.size());
        games.push_back(&launchGame(spec));
    }
    return games;
}

}  // namespace corvane::x11test
