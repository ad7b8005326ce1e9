#include "corvane/overlays/border_overlay.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "platform/sim/sim_desktop.h"
#include "print_helpers.h"

namespace corvane {
namespace {

using platform::Rect;
using sim::SimDesktop;

using testing::caseName;
using testing::PrintTo;

struct PlacementCase {
    const char* name;
    Rect aroundAX;
    std::optional<double> primaryHeight;  ///< nullopt: no screen at all
    double thickness;
    Rect expectedFrame;
};

class BorderPlacement : public ::testing::TestWithParam<PlacementCase> {
protected:
    SimDesktop desk;
};

TEST_P(BorderPlacement, SurroundsTheWindowWithAnOuterBandOfTheGivenColour) {
    const auto& c = GetParam();
    if (c.primaryHeight) {
        desk.setScreens({{{0, 0, 1920, *c.primaryHeight}, {0, 0, 1920, *c.primaryHeight - 25}}});
    } else {
        desk.setScreens({});
    }
    auto platform = desk.platform();
    BorderOverlay border(platform.windows, platform.screens);

    border.show(c.aroundAX, system_color::kOrange, c.thickness);

    ASSERT_EQ(desk.borders().size(), 1U);
    auto& window = *desk.borders()[0];
    EXPECT_EQ(window.frame(), c.expectedFrame);
    EXPECT_TRUE(window.visible());
    const auto strokes = window.display();
    ASSERT_EQ(strokes.size(), 1U);
    const auto& stroke = strokes[0];
    EXPECT_EQ(stroke.color, system_color::kOrange);
    EXPECT_EQ(stroke.lineWidth, c.thickness);
    // The stroke is centred on its rectangle: its outer edge must be the
    // window's edge, its inner edge the game window's edge.
    const Rect bounds{0, 0, c.expectedFrame.width, c.expectedFrame.height};
    const double half = c.thickness / 2;
    EXPECT_EQ(stroke.rect.insetBy(-half, -half), bounds);
    EXPECT_EQ(stroke.rect.insetBy(half, half), bounds.insetBy(c.thickness, c.thickness));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BorderPlacement,
    ::testing::Values(PlacementCase{"FullHdScreen", {100, 50, 800, 600}, 1080, 4, {96, 426, 808, 608}},
                      PlacementCase{"BelowMenuBar", {0, 25, 1037, 875}, 900, 4, {-4, -4, 1045, 883}},
                      PlacementCase{
                          "NegativeSizeIsNormalised", {900, 650, -800, -600}, 1080, 4, {96, 426, 808, 608}},
                      PlacementCase{"ThickerBand", {100, 50, 800, 600}, 1080, 10, {90, 420, 820, 620}},
                      PlacementCase{"NoScreen", {100, 50, 800, 600}, std::nullopt, 4, {96, -654, 808, 608}}),
    caseName);

class BorderOverlayTest : public ::testing::Test {
protected:
    SimDesktop desk;
    platform::Platform services = desk.platform();
    BorderOverlay border{services.windows, services.screens};
    const Rect game{100, 50, 800, 600};

    SimDesktop::BorderState& window() { return *desk.borders().at(0); }
    int calls(const char* what) { return desk.calls().count(what); }
};

TEST_F(BorderOverlayTest, StartsHidden) {
    EXPECT_EQ(desk.borders().size(), 1U);
    EXPECT_FALSE(window().visible());
}

TEST_F(BorderOverlayTest, UnchangedFrameIsNotSentAgainButIsRedrawn) {
    border.show(game, system_color::kGreen, 4);
    border.show(game, system_color::kGreen, 4);

    EXPECT_EQ(calls("border setFrame"), 1);
    EXPECT_EQ(calls("border orderFront"), 1);
    EXPECT_EQ(calls("border setNeedsDisplay"), 2);
}

TEST_F(BorderOverlayTest, FollowsAMovedWindowWithoutRaisingAgain) {
    border.show(game, system_color::kGreen, 4);
    border.show({150, 50, 800, 600}, system_color::kGreen, 4);

    EXPECT_EQ(calls("border setFrame"), 2);
    EXPECT_EQ(calls("border orderFront"), 1);
    EXPECT_EQ(window().frame().x, 146);
}

TEST_F(BorderOverlayTest, NewColourIsDrawnInTheSameWindow) {
    border.show(game, system_color::kOrange, 4);
    border.show(game, system_color::kGreen, 4);

    EXPECT_EQ(desk.borders().size(), 1U);
    EXPECT_EQ(window().display().at(0).color, system_color::kGreen);
}

TEST_F(BorderOverlayTest, HideOrdersOutOnEveryCallAndShowBringsItBack) {
    border.show(game, system_color::kGreen, 4);
    border.hide();
    border.hide();
    EXPECT_FALSE(window().visible());
    EXPECT_EQ(calls("border orderOut"), 2);

    border.show(game, system_color::kGreen, 4);
    EXPECT_TRUE(window().visible());
    EXPECT_EQ(calls("border orderFront"), 2);
    EXPECT_EQ(calls("border setFrame"), 1);
}

}  // namespace
}  // namespace corvane
