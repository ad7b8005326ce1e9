// The border the user sees: the active game's slot colour just outside its
// frame, on top of whatever lies there, after the program's own switch and
// after the user's activation through the window manager alike.
#include <gtest/gtest.h>

#include <cstdio>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

constexpr std::uint32_t kSlotColors[] = {0x34C759, 0x007AFF};

class BorderTest : public X11ControllerTest {
protected:
    /// A root pixel 2 points outside the frame's left edge, or its right edge
    /// when the left one is at the screen's edge.
    static std::pair<int, int> justOutside(const platform::Rect& frame) {
        const int y = static_cast<int>(frame.y + frame.height / 2);
        if (frame.x >= 4) return {static_cast<int>(frame.x) - 2, y};
        return {static_cast<int>(frame.maxX()) + 1, y};
    }

    static std::string hex(std::optional<std::uint32_t> rgb) {
        if (!rgb) return "none";
        std::array<char, 8> text{};
        std::snprintf(text.data(), text.size(), "%06X", *rgb);
        return text.data();
    }
};

TEST_F(BorderTest, theActiveGameShowsItsSlotColourJustOutsideItsFrame) {
    // Grey games, so the only slot colour on the screen is the border's.
    const std::vector<GameProcess*> games = {&launchGame({.number = 1, .color = "808080"}),
                                             &launchGame({.number = 2, .color = "606060"})};
    auto& c = startController();

    struct Step {
        std::size_t slot;
        bool byWindowManager;
    };
    for (const Step step : {Step{0, false}, Step{1, false}, Step{0, true}, Step{1, true}}) {
        GameProcess& game = *games[step.slot];
        if (step.byWindowManager) {
            x().activate(game.window());
        } else {
            c.focusClient(c.clients()[step.slot]);
        }
        std::optional<std::uint32_t> seen;
        const bool shown = runUntil([&] {
            const auto frame = x().outerFrame(game.window());
            if (!frame || x().activeWindow() != game.window()) return false;
            const auto [px, py] = justOutside(*frame);
            seen = x().pixelAt(px, py);
            return seen == kSlotColors[step.slot];
        });
        EXPECT_TRUE(shown) << "slot " << step.slot << (step.byWindowManager ? " by the window manager" : "")
                           << ": saw " << hex(seen);
    }
}

}  // namespace
}  // namespace corvane::x11test
