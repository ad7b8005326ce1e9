// The program with a system tray (trayer): its icon, the panel it opens, and
// the panel at work on the games.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "program_test.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;

struct Child {
    xcb_window_t window;
    platform::Rect frame;  ///< in root coordinates
};

class CorvaneTrayTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped()) return;
        const auto trayer = XSession::findInPath("trayer");
        if (trayer.empty()) GTEST_SKIP() << "not installed: trayer";
        tray_.emplace(
            ChildProcess::spawn({.argv = {trayer, "--edge", "top", "--align", "right", "--widthtype",
                                          "request", "--height", "24", "--SetDockType", "true"},
                                 .environment = {{"DISPLAY", session().display()}},
                                 .stderrPath = session().newPath("trayer.log").string()}));
        ASSERT_TRUE(waitUntil([&] { return trayWindow().has_value() && trayOwned(); }))
            << "trayer is not ready";
    }
    void TearDown() override {
        tray_.reset();  // the following tests run without a tray
        ProgramTest::TearDown();
    }

    /// The viewable children of `window`, in stacking order.
    std::vector<Child> children(xcb_window_t window) {
        auto* c = x().connection();
        XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        std::vector<Child> result;
        if (!tree) return result;
        const xcb_window_t* list = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const auto frame = x().clientRect(list[i]);
            if (frame && x().isViewable(list[i])) result.push_back({list[i], *frame});
        }
        return result;
    }

    /// Whether a tray holds the selection that tells programs there is one.
    bool trayOwned() {
        auto* c = x().connection();
        XReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, x().atom("_NET_SYSTEM_TRAY_S0")), nullptr));
        return owner && owner->owner != XCB_WINDOW_NONE;
    }

    /// trayer's panel, where the icons are embedded.
    std::optional<xcb_window_t> trayWindow() {
        for (const xcb_window_t window : x().clientList()) {
            if (x().wmClass(window) == WmClass{"panel", "trayer"}) return window;
        }
        return std::nullopt;
    }

    /// The one icon embedded in the tray.
    std::optional<Child> trayIcon() {
        const auto tray = trayWindow();
        if (!tray) return std::nullopt;
        for (const auto& child : children(*tray)) {
            if (child.frame.width > 1) return child;
        }
        return std::nullopt;
    }

    /// A row of three equal, native child widgets: the segments of the layout
    /// picker, found in the panel's window tree.
    std::optional<std::vector<Child>> threeSegments(xcb_window_t window) {
        const auto row = children(window);
        if (row.size() == 3 && std::all_of(row.begin(), row.end(), [&](const Child& child) {
                return std::abs(child.frame.width - row[0].frame.width) <= 1 &&
                       child.frame.y == row[0].frame.y && child.frame.width > child.frame.height;
            })) {
            return row;
        }
        for (const auto& child : row) {
            if (auto found = threeSegments(child.window)) return found;
        }
        return std::nullopt;
    }

private:
    std::optional<ChildProcess> tray_;
};

/// Where a click on `rect` lands: its middle pixel.
std::pair<int, int> middle(const platform::Rect& rect) {
    return {static_cast<int>(rect.x + rect.width / 2), static_cast<int>(rect.y + rect.height / 2)};
}

TEST_F(CorvaneTrayTest, aClickOnTheIconOpensThePanelBelowItWhoseLayoutPickerReArrangesTheGames) {
    const auto games = launchGames(3);
    // Every widget its own X window, so that the test finds the picker's segments.
    auto program = startProgram({}, {{"QT_USE_NATIVE_WINDOWS", "1"}});
    std::optional<Child> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = trayIcon()).has_value(); })) << programErrors();
    ASSERT_TRUE(waitForLayout(games, Layout::mainPlusSide));
    EXPECT_FALSE(panelWindow(program.pid())) << "the panel opens only when asked";

    // Where the icon is now: the tray may have laid its icons out again since.
    // A click the tray swallowed while doing so is tried again, as a user would.
    std::optional<xcb_window_t> panel;
    for (int attempt = 0; attempt < 2 && !panel; ++attempt) {
        ASSERT_TRUE(waitUntil([&] { return (icon = trayIcon()).has_value(); }));
        const auto [iconX, iconY] = middle(icon->frame);
        clickAt(iconX, iconY);
        waitUntil([&] { return (panel = panelWindow(program.pid())).has_value(); }, 5s);
    }
    ASSERT_TRUE(panel) << programErrors();

    // Below the icon at the top right, within the screen.
    const auto frame = x().clientRect(*panel).value();
    const auto screen = x().rootGeometry();
    EXPECT_GE(frame.y, icon->frame.maxY());
    EXPECT_LE(frame.y, icon->frame.maxY() + 8);
    EXPECT_LE(frame.maxX(), screen.maxX());
    EXPECT_GE(frame.maxX(), icon->frame.x);
    std::optional<std::vector<Child>> segments;
    ASSERT_TRUE(waitUntil([&] { return (segments = threeSegments(*panel)).has_value(); }));
    const auto shot = saveScreenshot("corvane-tray-panel.png");
    EXPECT_FALSE(shot.empty());
    std::printf("screenshot of the open panel: %s\n", shot.c_str());

    const auto [sideX, sideY] = middle((*segments)[1].frame);
    clickAt(sideX, sideY);
    EXPECT_TRUE(waitForLayout(games, Layout::sideBySide));
    EXPECT_TRUE(panelWindow(program.pid()).has_value()) << "a click within the panel keeps it open";
    EXPECT_EQ(unexpectedErrors(), "");
}

}  // namespace
}  // namespace corvane::x11test
