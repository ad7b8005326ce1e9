#include <gtest/gtest.h>

#include <vector>

#include "corvane/clients/layout.h"
#include "corvane/controller/controller.h"
#include "print_helpers.h"

namespace corvane {
namespace {

using platform::Rect;

constexpr Rect kArea{0, 0, 1440, 900};

struct FramesCase {
    const char* name;
    Layout layout;
    std::int64_t count;
    std::int64_t active;
    Rect area;
    double share;
    std::vector<Rect> frames;
    std::vector<Rect> applied;  // after the outward snap; empty: same as frames
};

class FramesTable : public ::testing::TestWithParam<FramesCase> {};

TEST_P(FramesTable, ComputesAndSnapsEveryFrame) {
    const auto& c = GetParam();
    const auto frames = layout::frames(c.layout, c.count, c.active, c.area, c.share);
    ASSERT_EQ(frames.size(), c.frames.size());
    const auto& applied = c.applied.empty() ? c.frames : c.applied;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_DOUBLE_EQ(frames[i].x, c.frames[i].x) << "slot " << i;
        EXPECT_DOUBLE_EQ(frames[i].y, c.frames[i].y) << "slot " << i;
        EXPECT_DOUBLE_EQ(frames[i].width, c.frames[i].width) << "slot " << i;
        EXPECT_DOUBLE_EQ(frames[i].height, c.frames[i].height) << "slot " << i;
        EXPECT_EQ(frames[i].integral(), applied[i]) << "slot " << i;
    }
}

constexpr double kThird = 875.0 / 3.0;

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, FramesTable,
    ::testing::Values(
        FramesCase{"mainTwoActive0",
                   Layout::mainPlusSide,
                   2,
                   0,
                   kArea,
                   0.72,
                   {{0, 0, 1037, 900}, {1037, 0, 403, 251.875}},
                   {{0, 0, 1037, 900}, {1037, 0, 403, 252}}},
        FramesCase{"mainTwoActive1",
                   Layout::mainPlusSide,
                   2,
                   1,
                   kArea,
                   0.72,
                   {{1037, 0, 403, 251.875}, {0, 0, 1037, 900}},
                   {{1037, 0, 403, 252}, {0, 0, 1037, 900}}},
        FramesCase{"mainThreeActive0",
                   Layout::mainPlusSide,
                   3,
                   0,
                   kArea,
                   0.72,
                   {{0, 0, 1037, 900}, {1037, 0, 403, 251.875}, {1037, 251.875, 403, 251.875}},
                   {{0, 0, 1037, 900}, {1037, 0, 403, 252}, {1037, 251, 403, 253}}},
        FramesCase{"mainThreeActive1",
                   Layout::mainPlusSide,
                   3,
                   1,
                   kArea,
                   0.72,
                   {{1037, 0, 403, 251.875}, {0, 0, 1037, 900}, {1037, 251.875, 403, 251.875}},
                   {{1037, 0, 403, 252}, {0, 0, 1037, 900}, {1037, 251, 403, 253}}},
        FramesCase{
            "sideTwo", Layout::sideBySide, 2, 1, kArea, 0.72, {{0, 0, 720, 900}, {720, 0, 720, 900}}, {}},
        FramesCase{"sideThree",
                   Layout::sideBySide,
                   3,
                   2,
                   kArea,
                   0.72,
                   {{0, 0, 480, 900}, {480, 0, 480, 900}, {960, 0, 480, 900}},
                   {}},
        FramesCase{
            "stackedTwo", Layout::stacked, 2, 0, kArea, 0.72, {{0, 0, 1440, 450}, {0, 450, 1440, 450}}, {}},
        FramesCase{"stackedThree",
                   Layout::stacked,
                   3,
                   1,
                   kArea,
                   0.72,
                   {{0, 0, 1440, 300}, {0, 300, 1440, 300}, {0, 600, 1440, 300}},
                   {}},
        FramesCase{"mainFiveFillsColumn",
                   Layout::mainPlusSide,
                   5,
                   2,
                   kArea,
                   0.72,
                   {{1037, 0, 403, 225},
                    {1037, 225, 403, 225},
                    {0, 0, 1037, 900},
                    {1037, 450, 403, 225},
                    {1037, 675, 403, 225}},
                   {}},
        FramesCase{"shareAboveRangeClamps",
                   Layout::mainPlusSide,
                   2,
                   0,
                   kArea,
                   0.9,
                   {{0, 0, 1224, 900}, {1224, 0, 216, 135}},
                   {}},
        FramesCase{"shareBelowRangeClamps",
                   Layout::mainPlusSide,
                   2,
                   0,
                   kArea,
                   0.3,
                   {{0, 0, 720, 900}, {720, 0, 720, 450}},
                   {}},
        FramesCase{
            "stackedBelowMenuBarOverlapsByOnePoint",
            Layout::stacked,
            3,
            0,
            {0, 25, 1440, 875},
            0.72,
            {{0, 25, 1440, kThird}, {0, 25 + kThird, 1440, kThird}, {0, 25 + 2 * kThird, 1440, kThird}},
            {{0, 25, 1440, 292}, {0, 316, 1440, 293}, {0, 608, 1440, 292}}},
        FramesCase{"originIsAdded",
                   Layout::sideBySide,
                   2,
                   0,
                   {100, 50, 1440, 900},
                   0.72,
                   {{100, 50, 720, 900}, {820, 50, 720, 900}},
                   {}},
        FramesCase{"negativeSizeIsNormalised",
                   Layout::sideBySide,
                   2,
                   0,
                   {1440, 900, -1440, -900},
                   0.72,
                   {{0, 0, 720, 900}, {720, 0, 720, 900}},
                   {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Frames, NoClientsGiveNoFrames) {
    for (Layout l : layout::kAllCases) {
        EXPECT_TRUE(layout::frames(l, 0, 0, kArea, 0.72).empty());
        EXPECT_TRUE(layout::frames(l, -3, 0, kArea, 0.72).empty());
    }
}

TEST(Frames, OneClientGetsTheWholeAreaInEveryLayout) {
    for (Layout l : layout::kAllCases) {
        const auto frames = layout::frames(l, 1, 0, {5, 7, 300, 200}, 0.9);
        ASSERT_EQ(frames.size(), 1U);
        EXPECT_EQ(frames[0], (Rect{5, 7, 300, 200}));
    }
}

TEST(Frames, ShareBoundsAreUsedAsTheyAre) {
    EXPECT_EQ(layout::frames(Layout::mainPlusSide, 2, 0, kArea, 0.5)[0].width, 720);
    EXPECT_EQ(layout::frames(Layout::mainPlusSide, 2, 0, kArea, 0.85)[0].width, 1224);
    EXPECT_EQ(layout::frames(Layout::mainPlusSide, 2, 0, kArea, std::nextafter(0.85, 1.0))[0].width, 1224);
    EXPECT_EQ(layout::frames(Layout::mainPlusSide, 2, 0, kArea, 0.4999)[0].width, 720);
}

TEST(Frames, MainWidthRoundsHalvesAwayFromZero) {
    EXPECT_EQ(layout::frames(Layout::mainPlusSide, 2, 0, {0, 0, 1441, 900}, 0.5)[0].width, 721);
}

TEST(Frames, EqualLayoutsIgnoreActiveSlotAndShare) {
    for (Layout l : {Layout::sideBySide, Layout::stacked}) {
        EXPECT_EQ(layout::frames(l, 3, 0, kArea, 0.5), layout::frames(l, 3, 2, kArea, 0.85));
    }
}

TEST(LayoutRawValues, OnlyTheExactRawValuesParse) {
    EXPECT_EQ(layout::fromRawValue("mainPlusSide"), Layout::mainPlusSide);
    EXPECT_EQ(layout::fromRawValue("sideBySide"), Layout::sideBySide);
    EXPECT_EQ(layout::fromRawValue("stacked"), Layout::stacked);
    for (const char* bad : {"MainPlusSide", "stacked ", "", "side"}) {
        EXPECT_EQ(layout::fromRawValue(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(layout::title(Layout::mainPlusSide), "Main + side");
    EXPECT_EQ(layout::title(Layout::sideBySide), "Side by side");
    EXPECT_EQ(layout::title(Layout::stacked), "Stacked");
}

}  // namespace
}  // namespace corvane
