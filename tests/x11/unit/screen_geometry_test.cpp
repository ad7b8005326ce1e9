// RandR monitors ordered with the primary first, flipped into the bottom-up
// framework space about the primary, and the work area of a desktop.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/x11/desktop/screen_layout.h"
#include "rect_printer.h"

namespace corvane::x11test {
namespace {

using platform::Rect;
using platform::Screen;
using x11::Monitor;

constexpr Rect kRoot{0, 0, 4000, 3000};
constexpr Rect kLeft{0, 0, 1440, 900};
constexpr Rect kRight{1440, 0, 1920, 1080};
constexpr Rect kBelow{0, 900, 1440, 900};

struct OrderCase {
    const char* name;
    std::optional<Rect> primaryCrtc;
    std::vector<Monitor> monitors;
    std::vector<Rect> ordered;
    friend void PrintTo(const OrderCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class OrderMonitors : public ::testing::TestWithParam<OrderCase> {};

TEST_P(OrderMonitors, putsThePrimaryFirstAndKeepsTheOthersInOrder) {
    EXPECT_EQ(x11::orderMonitors(GetParam().primaryCrtc, GetParam().monitors, kRoot), GetParam().ordered);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OrderMonitors,
    ::testing::Values(
        OrderCase{"primaryOutputWins",
                  kRight,
                  {{kLeft, true}, {kRight, false}, {kBelow, false}},
                  {kRight, kLeft, kBelow}},
        OrderCase{"flaggedMonitorWithoutPrimaryOutput",
                  std::nullopt,
                  {{kLeft, false}, {kBelow, true}, {kRight, false}},
                  {kBelow, kLeft, kRight}},
        OrderCase{"firstMonitorWhenNoneIsPrimary",
                  std::nullopt,
                  {{kRight, false}, {kLeft, false}},
                  {kRight, kLeft}},
        OrderCase{"primaryOutputWithoutMonitorList", kLeft, {}, {kLeft}},
        // Two monitors showing the same picture: only one of them stands for the primary.
        OrderCase{"mirroredPrimaryListedOnce", kLeft, {{kLeft, true}, {kLeft, false}}, {kLeft, kLeft}},
        OrderCase{"rootWindowWhenRandrKnowsNothing", std::nullopt, {}, {kRoot}},
        // A wide output shared out into two user-defined monitors counts as those two.
        OrderCase{"splitOutputCountsAsItsParts",
                  Rect{0, 0, 2880, 900},
                  {{{0, 0, 2880, 900}, false, true},
                   {{1440, 0, 1440, 900}, false, false},
                   {{0, 0, 1440, 900}, true, false}},
                  {{0, 0, 1440, 900}, {1440, 0, 1440, 900}}},
        OrderCase{"outputOutsideTheUsersMonitorsStays",
                  std::nullopt,
                  {{kLeft, true, false}, {kRight, false, true}},
                  {kLeft, kRight}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct FlipCase {
    const char* name;
    std::vector<Rect> monitors;
    std::optional<Rect> workArea;
    std::vector<Screen> screens;
    friend void PrintTo(const FlipCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class FrameworkScreens : public ::testing::TestWithParam<FlipCase> {};

TEST_P(FrameworkScreens, flipAboutThePrimaryAndClipTheWorkArea) {
    EXPECT_EQ(x11::frameworkScreens(GetParam().monitors, GetParam().workArea), GetParam().screens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameworkScreens,
    ::testing::Values(FlipCase{"onePlainScreen", {kLeft}, std::nullopt, {{kLeft, kLeft}}},
                      FlipCase{"topPanelLowersTheVisibleTop",
                               {kLeft},
                               Rect{0, 25, 1440, 875},
                               {{{0, 0, 1440, 900}, {0, 0, 1440, 875}}}},
                      FlipCase{"bottomPanelRaisesTheVisibleBottom",
                               {kLeft},
                               Rect{0, 0, 1440, 860},
                               {{{0, 0, 1440, 900}, {0, 40, 1440, 860}}}},
                      // A taller screen to the right reaches below the primary's bottom edge.
                      FlipCase{"tallerScreenOnTheRight",
                               {kLeft, kRight},
                               Rect{0, 0, 3360, 1080},
                               {{kLeft, kLeft}, {{1440, -180, 1920, 1080}, {1440, -180, 1920, 1080}}}},
                      FlipCase{"screenBelowThePrimary",
                               {kLeft, kBelow},
                               std::nullopt,
                               {{kLeft, kLeft}, {{0, -900, 1440, 900}, {0, -900, 1440, 900}}}},
                      // The primary need not sit at the root's origin.
                      FlipCase{"primaryRightOfAnotherScreen",
                               {{1280, 200, 1440, 900}, {0, 0, 1280, 1024}},
                               std::nullopt,
                               {{kLeft, kLeft}, {{-1280, 76, 1280, 1024}, {-1280, 76, 1280, 1024}}}},
                      FlipCase{
                          "workAreaMissingAScreenLeavesItWhole",
                          {kLeft, kRight},
                          Rect{0, 25, 1440, 875},
                          {{kLeft, {0, 0, 1440, 875}}, {{1440, -180, 1920, 1080}, {1440, -180, 1920, 1080}}}},
                      FlipCase{"noMonitorsNoScreens", {}, std::nullopt, {}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WorkAreaOf, takesTheCurrentDesktopsQuadruple) {
    const std::vector<std::uint32_t> areas{0, 25, 1440, 875, 0, 0, 1440, 860};
    EXPECT_EQ(x11::workAreaOf(areas, 1), (Rect{0, 0, 1440, 860}));
    EXPECT_EQ(x11::workAreaOf(areas, 0), (Rect{0, 25, 1440, 875}));
    EXPECT_EQ(x11::workAreaOf(areas, std::nullopt), (Rect{0, 25, 1440, 875}));
    EXPECT_EQ(x11::workAreaOf(areas, 7), (Rect{0, 25, 1440, 875}));
    EXPECT_EQ(x11::workAreaOf({}, 0), std::nullopt);
    EXPECT_EQ(x11::workAreaOf({0, 25, 1440}, 0), std::nullopt);
    // Coordinates are signed on the wire.
    EXPECT_EQ(x11::workAreaOf({0xFFFFFB00U, 0, 1280, 1024}, 0), (Rect{-1280, 0, 1280, 1024}));
}

}  // namespace
}  // namespace corvane::x11test
