// Focusing a game must give it the keyboard for real: Wine games only take
// keys after the window manager has activated them.
#include <gtest/gtest.h>

#include <algorithm>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

class FocusTest : public X11ControllerTest {};

struct FocusStep {
    std::size_t slot;
    xcb_keysym_t key;
};

bool hasKey(const GameProcess& game, char key) {
    const std::string wanted = std::string("KeyPress keysym=") + key + " ";
    const auto lines = game.logLines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(wanted) != std::string::npos; });
}

TEST_F(FocusTest, focusClientGivesThatGameTheInputFocusAndTheNextKey) {
    const auto games = launchGames(3);
    auto& c = startController();
    ASSERT_EQ(pids(c.clients()), pids(games));

    for (const FocusStep step :
         {FocusStep{1, 'a'}, FocusStep{0, 'b'}, FocusStep{2, 'c'}, FocusStep{1, 'd'}}) {
        SCOPED_TRACE("slot " + std::to_string(step.slot));
        GameProcess& target = *games[step.slot];

        c.focusClient(c.clients()[step.slot]);

        EXPECT_EQ(c.activePid(), target.pid());
        ASSERT_TRUE(runUntil(
            [&] { return x().activeWindow() == target.window() && x().inputFocus() == target.window(); }));
        x().typeKey(step.key);
        const auto key = static_cast<char>(step.key);
        EXPECT_TRUE(waitUntil([&] { return hasKey(target, key); }));
        for (const auto* other : games) {
            if (other != &target) {
                EXPECT_FALSE(hasKey(*other, key)) << "game " << other->number();
            }
        }
    }
}

}  // namespace
}  // namespace corvane::x11test
