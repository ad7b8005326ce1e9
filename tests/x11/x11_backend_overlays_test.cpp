// The program's own windows and window capture on a real X server: the border
// is a click-through band kept above the game, panels are undecorated sticky
// utility windows the user can drag, and captures of fake games deliver
// frames, list the games and survive their windows going away.
#include <gtest/gtest.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/x11/band_canvas.h"
#include "platform/x11/border_window.h"
#include "platform/x11/root_coordinates.h"
#include "platform/x11/x11_backend.h"
#include "rect_printer.h"
#include "wait_until.h"
#include "x11_test.h"

namespace corvane::x11test {
namespace {

using platform::Color;
using platform::Rect;

using Box = std::tuple<int, int, int, int>;  // x, y, width, height

std::vector<Box> boxes(const xcb_rectangle_t* rectangles, std::size_t count) {
    std::vector<Box> result;
    for (std::size_t i = 0; i < count; ++i) {
        result.emplace_back(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height);
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<Box> sorted(std::vector<Box> list) {
    std::sort(list.begin(), list.end());
    return list;
}

// Pure geometry ---------------------------------------------------------------

struct BandCase {
    const char* name;
    Rect rect;
    double lineWidth;
    double viewHeight;
    std::vector<Box> expected;
};

TEST(BandRectanglesTest, aStrokeBecomesTheRingAroundItsPath) {
    const std::vector<BandCase> cases{
        {"inset by half a line covers the outer edge", {3, 3, 394, 294}, 6, 300,
         {{0, 0, 400, 6}, {0, 294, 400, 6}, {0, 6, 6, 288}, {394, 6, 6, 288}}},
        // View space has y up: a stroke near the bottom lands near the window's last rows.
        {"y is flipped", {1, 1, 8, 4}, 2, 100, {{0, 94, 10, 2}, {0, 98, 10, 2}, {0, 96, 2, 2}, {8, 96, 2, 2}}},
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
        {"primary monitor not at the root origin", {10, 20, 200, 100}, {1920, 180, 1440, 900},
         {1930, 960, 200, 100}},
        {"above the primary monitor is negative root y", {0, 900, 50, 50}, {0, 0, 1440, 900}, {0, -50, 50, 50}},
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

// On the X server -------------------------------------------------------------

constexpr Color kGreen = Color::fromRGB(0x34C759);
constexpr std::uint32_t kGreenPixel = 0x34C759;

class BackendOverlaysTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        backend_ = x11::X11Backend::open(session().display(), {"corvane"});
        ASSERT_NE(backend_, nullptr);
    }
    void TearDown() override {
        backend_.reset();
        X11Test::TearDown();
    }

    bool runUntil(const std::function<bool()>& condition) { return backend_->loop().runUntil(condition, 10.0); }

    [[nodiscard]] std::vector<Box> shape(xcb_window_t window, xcb_shape_kind_t kind) {
        auto* c = x().connection();
        XReply<xcb_shape_get_rectangles_reply_t> reply(
            xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, window, kind), nullptr));
        if (!reply) return {};
        return boxes(xcb_shape_get_rectangles_rectangles(reply.get()),
                     static_cast<std::size_t>(xcb_shape_get_rectangles_rectangles_length(reply.get())));
    }

    [[nodiscard]] std::optional<xcb_get_window_attributes_reply_t> attributes(xcb_window_t window) {
        auto* c = x().connection();
        XReply<xcb_get_window_attributes_reply_t> reply(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        if (!reply) return std::nullopt;
        return *reply;
    }

    /// The root's child that holds `window` (the window manager's frame, if any).
    [[nodiscard]] xcb_window_t topLevelOf(xcb_window_t window) {
        auto* c = x().connection();
        for (;;) {
            XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
            if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return window;
            window = tree->parent;
        }
    }

    /// Whether `upper` is stacked above `lower`; both are children of the root.
    [[nodiscard]] bool stackedAbove(xcb_window_t upper, xcb_window_t lower) {
        auto* c = x().connection();
        XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, x().root()), nullptr));
        if (!tree) return false;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const auto* end = children + xcb_query_tree_children_length(tree.get());
        const auto* upperAt = std::find(children, end, upper);
        const auto* lowerAt = std::find(children, end, lower);
        return upperAt != end && lowerAt != end && upperAt > lowerAt;  // bottom to top
    }

    /// The colour on the screen at a root pixel, as 0xRRGGBB.
    [[nodiscard]] std::optional<std::uint32_t> pixelAt(int rootX, int rootY) {
        auto* c = x().connection();
        XReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, x().root(), static_cast<std::int16_t>(rootX),
                          static_cast<std::int16_t>(rootY), 1, 1, ~0U),
            nullptr));
        if (!image || xcb_get_image_data_length(image.get()) < 4) return std::nullopt;
        const std::uint8_t* data = xcb_get_image_data(image.get());
        return static_cast<std::uint32_t>(data[0] | (data[1] << 8U) | (data[2] << 16U));
    }

    /// A border window stroked as the program strokes it: the outer `thickness` pixels.
    std::unique_ptr<platform::BorderWindow> border(Color color, double thickness) {
        return backend_->windows().createBorderWindow([=](platform::Canvas& canvas, Rect bounds) {
            canvas.strokeRect(bounds.insetBy(thickness / 2, thickness / 2), color, thickness);
        });
    }

    std::unique_ptr<x11::X11Backend> backend_;
};

xcb_window_t idOf(const platform::BorderWindow& window) {
    return dynamic_cast<const x11::BorderWindow&>(window).id();
}

TEST_F(BackendOverlaysTest, theBorderIsAClickThroughBandAboveTheGame) {
    auto& game = launchGame({.number = 1, .position = "80,380"});
    auto window = border(kGreen, 6);
    const xcb_window_t id = idOf(*window);

    window->setFrame({100, 200, 400, 300}, true);  // root 100,400 on a 900-high screen
    window->orderFrontRegardless();
    const std::vector<Box> band{{0, 0, 400, 6}, {0, 294, 400, 6}, {0, 6, 6, 288}, {394, 6, 6, 288}};
    ASSERT_TRUE(runUntil([&] { return shape(id, XCB_SHAPE_SK_BOUNDING) == sorted(band); }))
        << "bounding shape never became the band";

    const auto state = attributes(id);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->map_state, XCB_MAP_STATE_VIEWABLE);
    EXPECT_TRUE(state->override_redirect);
    EXPECT_TRUE(shape(id, XCB_SHAPE_SK_INPUT).empty()) << "clicks must pass through";
    EXPECT_TRUE(stackedAbove(id, topLevelOf(game.window())));
    EXPECT_EQ(x().clientRect(id), std::optional<Rect>(Rect{100, 400, 400, 300}));
    EXPECT_TRUE(runUntil([&] { return pixelAt(102, 550) == kGreenPixel; })) << "band not painted";
    EXPECT_NE(pixelAt(300, 550), kGreenPixel) << "the hole shows what lies below";
}

TEST_F(BackendOverlaysTest, theBorderComesBackAboveTheGameWhenTheWindowManagerRaisesIt) {
    auto& game = launchGame({.number = 1, .position = "80,380"});
    auto window = border(kGreen, 6);
    const xcb_window_t id = idOf(*window);
    window->setFrame({100, 200, 400, 300}, true);
    window->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] { return stackedAbove(id, topLevelOf(game.window())); }));

    auto& other = launchGame({.number = 2, .position = "80,380"});
    x().activate(game.window());
    x().activate(other.window());

    EXPECT_TRUE(runUntil([&] { return stackedAbove(id, topLevelOf(other.window())); }));
}

TEST_F(BackendOverlaysTest, aHiddenBorderIsUnmappedAndShowsAgainWhereItWas) {
    auto window = border(kGreen, 4);
    const xcb_window_t id = idOf(*window);
    window->setFrame({300, 300, 200, 100}, true);
    window->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] { return x().isViewable(id); }));

    window->orderOut();
    EXPECT_TRUE(runUntil([&] { return !x().isViewable(id); }));
    EXPECT_FALSE(window->isVisible());

    window->orderFrontRegardless();
    EXPECT_TRUE(runUntil([&] { return x().isViewable(id); }));
    EXPECT_EQ(window->frame(), (Rect{300, 300, 200, 100}));
}

}  // namespace
}  // namespace corvane::x11test
