// The fake game must look and behave like a game under Wine, or the end-to-end
// tests prove nothing about real clients. These tests pin down what the
// backend relies on, against the real window manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include "wait_until.h"
#include "x11_test.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;

constexpr xcb_keysym_t kKeysymQ = 'q';

class FakeGameTest : public X11Test {};

bool contains(const std::vector<xcb_window_t>& windows, xcb_window_t window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

TEST_F(FakeGameTest, showsOneManagedWindowAndAnUnmanagedImeWindowLikeWine) {
    auto& game = launchGame({.number = 1});
    const auto pid = static_cast<std::uint32_t>(game.pid());

    EXPECT_EQ(x().wmClass(game.window()), (WmClass{"wow.exe", "wow.exe"}));
    EXPECT_EQ(x().utf8Property(game.window(), "_NET_WM_NAME"), "World of Warcraft");
    ASSERT_TRUE(x().frameExtents(game.window()));

    std::vector<xcb_window_t> managed;
    std::vector<xcb_window_t> unmanaged;
    const auto clients = x().clientList();
    for (const xcb_window_t window : x().topLevelWindowsOf(pid)) {
        (contains(clients, window) ? managed : unmanaged).push_back(window);
    }
    EXPECT_EQ(managed, std::vector<xcb_window_t>{game.window()});
    ASSERT_EQ(unmanaged.size(), 1U);
    EXPECT_FALSE(x().isViewable(unmanaged[0]));
    EXPECT_EQ(x().wmClass(unmanaged[0]), (WmClass{"wow.exe", "wow.exe"}));
    EXPECT_EQ(x().clientRect(unmanaged[0])->width, 1);
}

// Wine's model: input=False plus WM_TAKE_FOCUS, so keys only arrive once the
// window manager has asked the game to take the focus.
TEST_F(FakeGameTest, activationThroughTheWindowManagerSendsTypedKeysToThatGame) {
    auto& first = launchGame({.number = 1});
    auto& second = launchGame({.number = 2});
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == second.window(); }));

    x().activate(first.window());
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == first.window(); }));
    ASSERT_TRUE(waitUntil([&] { return x().inputFocus() == first.window(); }));
    x().typeKey(kKeysymQ);

    EXPECT_TRUE(first.waitForLog("KeyPress keysym=q", 5s));
    EXPECT_TRUE(first.waitForLog("TakeFocus", 1s));
    for (const auto& line : second.logLines()) EXPECT_EQ(line.find("KeyPress"), std::string::npos) << line;
}

// Wine asks for static gravity: a move request with static gravity places the
// client area, and the frame sits around it by the extents.
TEST_F(FakeGameTest, staticGravityMovePlacesTheClientArea) {
    auto& game = launchGame({.number = 1});
    const platform::Rect wanted{100, 200, 640, 480};

    x().moveClient(game.window(), wanted);

    ASSERT_TRUE(waitUntil([&] { return x().clientRect(game.window()) == wanted; }))
        << "client at " << x().clientRect(game.window())->x << "," << x().clientRect(game.window())->y;
    const auto [left, right, top, bottom] = *x().frameExtents(game.window());
    EXPECT_EQ(x().outerFrame(game.window()),
              (platform::Rect{100.0 - left, 200.0 - top, 640.0 + left + right, 480.0 + top + bottom}));
}

TEST_F(FakeGameTest, exitsCleanlyWhenTheXServerGoesAway) {
    XSession lone({.windowManager = false});
    auto game = lone.launchGame({.number = 1});

    lone.stopServer();

    EXPECT_EQ(game->process().waitForExit(5s), 0);
    EXPECT_TRUE(game->waitForLog("Exit reason=connection-lost", 1s));
}

struct EndingCase {
    const char* name;
    void (*end)(XInspector&, GameProcess&);
};

class FakeGameEnding : public X11Test, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(FakeGameEnding, exitsCleanlyAndItsWindowIsDropped) {
    auto& game = launchGame({.number = 1});
    const xcb_window_t window = game.window();

    GetParam().end(x(), game);

    EXPECT_EQ(game.process().waitForExit(5s), 0);
    EXPECT_TRUE(waitUntil([&] { return !contains(x().clientList(), window); }));
}

INSTANTIATE_TEST_SUITE_P(Ways, FakeGameEnding,
                         ::testing::Values(EndingCase{"closedByTheWindowManager",
                                                      [](XInspector& x, GameProcess& game) {
                                                          x.close(game.window());
                                                      }},
                                           EndingCase{"terminated",
                                                      [](XInspector&, GameProcess& game) {
                                                          game.process().signalGroup(SIGTERM);
                                                      }}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace corvane::x11test
