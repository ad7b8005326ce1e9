// The border's band as rectangles, the flip between the program's and the
// root's coordinates, and how presses count up to double clicks.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "boxes.h"
#include "platform/x11/own_windows/band_canvas.h"
#include "platform/x11/own_windows/click_counter.h"
#include "platform/x11/own_windows/preview_label.h"
#include "platform/x11/wire/root_coordinates.h"
#include "rect_printer.h"

namespace corvane::x11test {
namespace {

using platform::Rect;

struct BandCase {
    const char* name;
    Rect rect;
    double lineWidth;
    double viewHeight;
    std::vector<Box> expected;
};

TEST(BandRectanglesTest, aStrokeBecomesTheRingAroundItsPath) {
    const std::vector<BandCase> cases{
        {"inset by half a line covers the outer edge",
         {3, 3, 394, 294},
         6,
         300,
         {{0, 0, 400, 6}, {0, 294, 400, 6}, {0, 6, 6, 288}, {394, 6, 6, 288}}},
        // View space has y up: a stroke near the bottom lands near the window's last rows.
        {"y is flipped",
         {1, 1, 8, 4},
         2,
         100,
         {{0, 94, 10, 2}, {0, 98, 10, 2}, {0, 96, 2, 2}, {8, 96, 2, 2}}},
        {"a line wider than the rectangle leaves no hole", {5, 5, 4, 4}, 6, 20, {{2, 8, 10, 10}}},
        {"no line, no band", {0, 0, 10, 10}, 0, 10, {}},
    };
    for (const auto& c : cases) {
        const auto band = x11::bandRectangles(c.rect, c.lineWidth, c.viewHeight);
        EXPECT_EQ(boxes(band.data(), band.size()), sorted(c.expected)) << c.name;
    }
}

struct RootCase {
    const char* name;
    Rect frame;
    Rect primary;
    x11::RootRect root;
};

TEST(RootCoordinatesTest, frameworkSpaceFlipsAboutThePrimaryMonitor) {
    const std::vector<RootCase> cases{
        {"bottom-left origin", {0, 0, 200, 100}, {0, 0, 1440, 900}, {0, 800, 200, 100}},
        {"primary monitor not at the root origin",
         {10, 20, 200, 100},
         {1920, 180, 1440, 900},
         {1930, 960, 200, 100}},
        {"above the primary monitor is negative root y",
         {0, 900, 50, 50},
         {0, 0, 1440, 900},
         {0, -50, 50, 50}},
        {"fractions round, sizes stay positive", {0.4, 0.6, 0.2, 0}, {0, 0, 100, 100}, {0, 99, 1, 1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(x11::toRoot(c.frame, c.primary), c.root) << c.name;
    }
    for (const auto& c : cases) {
        if (c.frame.width < 1 || c.frame.height < 1) continue;
        EXPECT_EQ(x11::fromRoot(c.root, c.primary), c.frame) << c.name << " back";
    }
}

struct PressCase {
    const char* name;
    std::uint32_t time;
    int x;
    int y;
    int count;
};

TEST(ClickCounterTest, pressesCloseInTimeAndPlaceCountUp) {
    // One series, each press judged against the one before it.
    const std::vector<PressCase> presses{
        {"first", 1000, 10, 10, 1},
        {"double", 1300, 12, 11, 2},
        {"triple", 1700, 12, 11, 3},
        {"too late", 2101, 12, 11, 1},
        {"soon again", 2200, 12, 11, 2},
        {"too far", 2300, 30, 11, 1},
        {"the clock wraps", 0xFFFFFF00, 0, 0, 1},
        {"across the wrap", 0x80, 0, 0, 2},
    };
    x11::ClickCounter counter;
    for (const auto& press : presses)
        EXPECT_EQ(counter.press(press.time, press.x, press.y), press.count) << press.name;
}

/// The codes a core font gets for a name: (byte1 << 8) | byte2 each.
std::vector<unsigned> codesOf(std::string_view text, bool unicode) {
    std::vector<unsigned> codes;
    for (const auto code : x11::fontCodes(text, unicode)) {
        codes.push_back((static_cast<unsigned>(code.byte1) << 8U) | code.byte2);
    }
    return codes;
}

TEST(FontCodes, anyNameAUnicodeFontCanShowAndLatinOneOrAQuestionMarkElse) {
    EXPECT_EQ(codesOf("Tank", false), (std::vector<unsigned>{'T', 'a', 'n', 'k'}));
    EXPECT_EQ(codesOf("Zo\xC3\xAB", false), (std::vector<unsigned>{'Z', 'o', 0xEB}));
    EXPECT_EQ(codesOf("\xE5\x90\x8D", true), (std::vector<unsigned>{0x540D}));
    EXPECT_EQ(codesOf("\xE5\x90\x8D", false), (std::vector<unsigned>{'?'}));
    EXPECT_EQ(codesOf("\xF0\x9F\x98\x80!", true), (std::vector<unsigned>{'?', '!'}));  // beyond the BMP
    EXPECT_EQ(codesOf("\xC3", true), (std::vector<unsigned>{0xFFFD}));                 // cut short
    EXPECT_EQ(codesOf(std::string(300, 'x'), true).size(), 255U);
}

}  // namespace
}  // namespace corvane::x11test
