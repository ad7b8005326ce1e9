// Arranging on a real window manager: the frames the layouts compute must be
// the outer frames the user sees, decorations included, on the primary monitor.
#include <gtest/gtest.h>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

class ArrangeTest : public X11ControllerTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(ArrangeTest, everyOuterFrameLandsOnItsLayoutFrameAndAMovedWindowComesBack) {
    const auto games = launchGames(3);
    auto& c = startController();
    ASSERT_EQ(pids(c.clients()), pids(games));
    // The user drags one game partly off the screen.
    const platform::Rect away{1100, 650, 700, 500};
    x().moveClient(games[1]->window(), away);
    ASSERT_TRUE(waitUntil([&] { return x().clientRect(games[1]->window()) == away; }));

    c.setLayout(GetParam());

    const auto expected = expectedFrames(GetParam());
    EXPECT_TRUE(runUntil([&] { return outerFrames(games) == expected; }));
    EXPECT_EQ(outerFrames(games), expected);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ArrangeTest, ::testing::ValuesIn(layout::kAllCases),
                         [](const auto& testCase) { return std::string(layout::rawValue(testCase.param)); });

/// A wide screen split into two monitors, the primary on the left.
class TwoMonitorArrangeTest : public X11ControllerTest {
protected:
    void SetUp() override {
        if (SessionEnvironment::session() == nullptr) GTEST_SKIP() << SessionEnvironment::skipReason();
        // Started first and ended last, so the environment it sets nests around the test's.
        wide_ = std::make_unique<XSession>(SessionOptions{
            .width = 2880, .height = 900, .monitors = {{0, 0, 1440, 900}, {1440, 0, 1440, 900}}});
        X11ControllerTest::SetUp();
        useSession(*wide_);
    }
    void TearDown() override {
        X11ControllerTest::TearDown();
        wide_.reset();
    }

private:
    std::unique_ptr<XSession> wide_;
};

TEST_F(TwoMonitorArrangeTest, windowsOnTheSecondMonitorMoveToThePrimary) {
    const std::vector<GameProcess*> games = {&launchGame({.number = 1, .position = "1700,100"}),
                                             &launchGame({.number = 2, .position = "2000,300"})};
    ASSERT_GE(x().clientRect(games[0]->window())->x, 1440);

    auto& c = startController();
    c.setLayout(Layout::sideBySide);

    const auto expected = expectedFrames(Layout::sideBySide);
    EXPECT_TRUE(runUntil([&] { return outerFrames(games) == expected; }));
    EXPECT_EQ(outerFrames(games), expected);
    for (const auto& frame : outerFrames(games)) EXPECT_LE(frame.maxX(), 1440);
}

}  // namespace
}  // namespace corvane::x11test
