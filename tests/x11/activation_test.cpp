// The user picks a game through the window manager (a click, a pager, a task
// bar): the program follows at its next tick.
#include <gtest/gtest.h>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

class ActivationTest : public X11ControllerTest {};

TEST_F(ActivationTest, theGameTheUserActivatesBecomesActiveAtTheNextTickAndTakesTheMainArea) {
    const auto games = launchGames(3);
    auto& c = startController();
    ASSERT_EQ(c.layout(), Layout::mainPlusSide);

    for (const std::size_t slot : {0U, 2U, 1U}) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        GameProcess& game = *games[slot];
        x().activate(game.window());
        ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == game.window(); }));

        // No tick has happened since the activation; the backend has heard of it.
        settleBackend();
        c.tick();

        EXPECT_EQ(c.activePid(), game.pid());
        const auto expected = expectedFrames(Layout::mainPlusSide);
        EXPECT_EQ(expected[slot].width, std::round(usableArea().width * c.mainShare()));
        EXPECT_TRUE(runUntil([&] { return outerFrames(games) == expected; }));
        EXPECT_EQ(outerFrames(games), expected);
    }
}

}  // namespace
}  // namespace corvane::x11test
