// Screens and window coordinates on X: RandR monitors with the primary first,
// flipped into the bottom-up framework space about the primary, and other
// programs' frames relative to the primary's top-left wherever it sits.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "platform/x11/desktop/screen_layout.h"
#include "platform/x11/x11_backend.h"
#include "rect_printer.h"
#include "x11_test.h"

namespace corvane::x11test {
namespace {

using platform::Rect;
using platform::Screen;
using x11::Monitor;

/// A session whose primary monitor sits to the right of another one, so that
/// root coordinates and the program's coordinates differ.
class PrimaryOnTheRightTest : public X11Test {
protected:
    static constexpr Rect kPrimary{1440, 0, 1440, 900};
    static constexpr Rect kSecondary{0, 0, 1440, 900};

    void SetUp() override {
        if (SessionEnvironment::session() == nullptr) GTEST_SKIP() << SessionEnvironment::skipReason();
        wide_ = std::make_unique<XSession>(
            SessionOptions{.width = 2880, .height = 900, .monitors = {kPrimary, kSecondary}});
        X11Test::SetUp();
        useSession(*wide_);
        backend_ = x11::X11Backend::open(wide_->display(), {"corvane"});
        ASSERT_NE(backend_, nullptr);
    }
    void TearDown() override {
        backend_.reset();
        X11Test::TearDown();
        wide_.reset();
    }

    std::unique_ptr<XSession> wide_;
    std::unique_ptr<x11::X11Backend> backend_;
};

// The test monitors split the server's one output, as a user sharing out a wide screen would.
TEST_F(PrimaryOnTheRightTest, screensListThePrimaryFirstAtTheOrigin) {
    auto& screens = backend_->screens();

    const auto all = screens.screens();

    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0].frame, (Rect{0, 0, 1440, 900}));
    EXPECT_EQ(all[1].frame, (Rect{-1440, 0, 1440, 900}));
    EXPECT_EQ(screens.mainScreen(), all[0]);
}

TEST_F(PrimaryOnTheRightTest, aMonitorAddedLaterIsListedSoonAfter) {
    auto& screens = backend_->screens();
    ASSERT_EQ(screens.screens().size(), 2U);

    x().addMonitor("LATE", {2880 - 720, 450, 720, 450}, false);

    EXPECT_TRUE(backend_->loop().runUntil([&] { return screens.screens().size() == 3; }, 5.0));
    EXPECT_EQ(screens.screens().back().frame, (Rect{1440 - 720, 0, 720, 450}));
}

TEST_F(PrimaryOnTheRightTest, windowFramesAreReadAndWrittenRelativeToThePrimary) {
    auto& game = launchGame({.number = 1, .size = "640x480", .position = "1700,100"});
    auto& accessibility = backend_->accessibility();
    const auto outer = x().outerFrame(game.window());
    ASSERT_TRUE(outer.has_value());

    EXPECT_EQ(accessibility.position(game.window()), (platform::Point{outer->x - 1440, outer->y}));

    accessibility.setPosition(game.window(), {0, 0});
    const Rect expected{1440, 0, outer->width, outer->height};
    EXPECT_TRUE(backend_->loop().runUntil([&] { return x().outerFrame(game.window()) == expected; }, 5.0));
    EXPECT_EQ(x().outerFrame(game.window()), expected);
}

}  // namespace
}  // namespace corvane::x11test
