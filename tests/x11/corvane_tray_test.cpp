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

    /// Clicks the icon where it is now, as the user does, until the panel
    /// opens: the tray may lay its icons out again meanwhile and swallow a click.
    std::optional<xcb_window_t> openPanelFromIcon(const ChildProcess& program) {
        std::optional<xcb_window_t> panel;
        for (int attempt = 0; attempt < 2 && !panel; ++attempt) {
            std::optional<Child> icon;
            if (!waitUntil([&] { return (icon = trayIcon()).has_value(); })) return std::nullopt;
            const auto [iconX, iconY] = middle(icon->frame);
            clickAt(iconX, iconY);
            waitUntil([&] { return (panel = panelWindow(program.pid())).has_value(); }, 5s);
        }
        return panel;
    }

private:
    std::optional<ChildProcess> tray_;
};

TEST_F(CorvaneTrayTest, aClickOnTheIconOpensThePanelBelowItWhoseLayoutPickerReArrangesTheGames) {
    const auto games = launchGames(3);
    // Every widget its own X window, so that the test finds the picker's segments.
    auto program = startProgram({}, {{"QT_USE_NATIVE_WINDOWS", "1"}});
    std::optional<Child> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = trayIcon()).has_value(); })) << programErrors();
    ASSERT_TRUE(waitForLayout(games, Layout::mainPlusSide));
    EXPECT_FALSE(panelWindow(program.pid())) << "the panel opens only when asked";

    const auto panel = openPanelFromIcon(program);
    ASSERT_TRUE(panel) << programErrors();
    icon = trayIcon();
    ASSERT_TRUE(icon);

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

namespace corvane::x11test {
namespace {

constexpr xcb_keysym_t kGrave = 0x60;
constexpr xcb_keysym_t kLetterQ = 0x71;

TEST_F(CorvaneTrayTest, withThePanelOpenTheSwitchKeySwitchesAndFocusGivesThatGameTheKeys) {
    const auto games = launchGames(3);
    auto program = startProgram();
    ASSERT_TRUE(waitForLayout(games, Layout::mainPlusSide));
    x().activate(games[1]->window());  // the player clicks game 2, which takes the main area
    ASSERT_TRUE(
        waitUntil([&] { return outerFrames(games) == expectedFrames(Layout::mainPlusSide, 3, 1, 0.72); }));

    ASSERT_TRUE(openPanelFromIcon(program)) << programErrors();
    x().typeKey(kGrave);
    EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == games[2]->window(); }))
        << "the open panel took the key";
    EXPECT_TRUE(waitUntil([&] { return !panelWindow(program.pid()); })) << "closes once a game has the focus";

    // Its menu opens it too; "Focus" on the first row hands game 1 the keyboard.
    std::optional<Child> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = trayIcon()).has_value(); }));
    const auto [iconX, iconY] = middle(icon->frame);
    clickAt(iconX, iconY, 3);
    std::optional<platform::Rect> menu;
    ASSERT_TRUE(waitUntil([&] { return (menu = popupMenu(program.pid())).has_value(); }));
    // "Show panel" first, "Quit Corvane" below it.
    clickAt(static_cast<int>(menu->x + menu->width / 2), static_cast<int>(menu->y + menu->height / 4));
    ASSERT_TRUE(waitUntil([&] { return panelWindow(program.pid()).has_value(); }));
    ASSERT_TRUE(clickControl(program.pid(), "push button", "Focus", 0));
    EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == games[0]->window(); }));
    // The window manager names the active window and sets the focus in either order.
    EXPECT_TRUE(waitUntil([&] { return x().inputFocus() == games[0]->window(); }));
    x().typeKey(kLetterQ);
    EXPECT_TRUE(games[0]->waitForLog("KeyPress keysym=q", 5s)) << "the key went elsewhere";
    EXPECT_EQ(unexpectedErrors(), "");
}

}  // namespace
}  // namespace corvane::x11test
