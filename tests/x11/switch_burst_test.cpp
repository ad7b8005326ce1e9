// Players press the switch key in quick bursts. Every press must reach the
// next game, and a tick that runs before the window manager has confirmed the
// activation must not put the game just left back in front (nor back in the
// main place), also when the window manager is slow to confirm.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr xcb_keysym_t kGrave = 0x60;
constexpr int kPresses = 50;
constexpr auto kPressInterval = 150ms;

/// Holds the server grab from a connection of its own for a while, so that
/// the window manager can do nothing meanwhile: a slow window manager.
class ServerGrab {
public:
    ServerGrab(const std::string& display, std::chrono::milliseconds duration) {
        thread_ = std::thread([this, display, duration] {
            xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
            xcb_grab_server(c);
            std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
            held_ = true;
            std::this_thread::sleep_for(duration);
            xcb_ungrab_server(c);
            xcb_disconnect(c);
        });
        while (!held_) std::this_thread::sleep_for(1ms);
    }
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;
    ~ServerGrab() { thread_.join(); }

private:
    std::atomic<bool> held_{false};
    std::thread thread_;
};

class SwitchBurstTest : public X11ControllerTest {
protected:
    /// Presses the switch key `kPresses` times, at least kPressInterval apart;
    /// with a `windowManagerDelay`, the window manager can do nothing for that
    /// long after each press. Fails on any press that does not reach the next
    /// slot, and whenever the game just left comes back in front or back into
    /// the main place.
    void pressSwitchKeyRepeatedly(std::chrono::milliseconds windowManagerDelay) {
        const auto games = launchGames(3);
        auto& c = startController();
        ASSERT_TRUE(c.hotkeyRegistered());
        ASSERT_EQ(c.layout(), Layout::mainPlusSide);
        c.focusClient(c.clients()[0]);
        // In front and in the main place: a move still on its way would look like one coming back.
        ASSERT_TRUE(runUntil([&] {
            return x().activeWindow() == games[0]->window() &&
                   outerFrames(games) == expectedFrames(Layout::mainPlusSide, games.size(), 0, c.mainShare());
        }));

        for (int press = 1; press <= kPresses; ++press) {
            SCOPED_TRACE("press " + std::to_string(press));
            const GameProcess& target = *games[static_cast<std::size_t>(press) % games.size()];
            const GameProcess& left = *games[static_cast<std::size_t>(press - 1) % games.size()];
            const platform::Rect main = expectedFrames(
                Layout::mainPlusSide, games.size(), static_cast<std::size_t>(press) % games.size(),
                c.mainShare())[static_cast<std::size_t>(press) % games.size()];
            const auto pressed = Clock::now();
            x().typeKey(kGrave);
            std::optional<ServerGrab> slowWindowManager;
            if (windowManagerDelay > 0ms) slowWindowManager.emplace(session().display(), windowManagerDelay);
            ASSERT_TRUE(runUntil([&] { return c.activePid() == target.pid(); }));
            // The tick that comes first after the switch, before the window manager
            // can have confirmed it.
            c.tick();
            EXPECT_EQ(c.activePid(), target.pid());
            slowWindowManager.reset();

            bool leftMovedOut = false;
            bool leftCameBack = false;
            bool leftFrontAgain = false;
            const bool reached = runUntil([&] {
                leftFrontAgain = leftFrontAgain || c.activePid() == left.pid();
                const bool leftInMain = x().outerFrame(left.window()) == main;
                leftCameBack = leftCameBack || (leftMovedOut && leftInMain);
                leftMovedOut = leftMovedOut || !leftInMain;
                return Clock::now() - pressed >= kPressInterval && x().activeWindow() == target.window() &&
                       x().outerFrame(target.window()) == main;
            });
            ASSERT_TRUE(reached) << "slot of game " << target.number() << " never reached";
            ASSERT_FALSE(leftFrontAgain) << "game " << left.number() << " became active again";
            ASSERT_FALSE(leftCameBack) << "game " << left.number() << " came back to the main place";
        }
    }
};

TEST_F(SwitchBurstTest, everyPressOfAQuickBurstReachesTheNextGame) {
    pressSwitchKeyRepeatedly(0ms);
}

TEST_F(SwitchBurstTest, everyPressReachesTheNextGameWhenTheWindowManagerConfirmsLate) {
    pressSwitchKeyRepeatedly(200ms);
}

}  // namespace
}  // namespace corvane::x11test
