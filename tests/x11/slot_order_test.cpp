// Slots follow the games' launch times, never the order in which the X
// server or the window manager happens to list their windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

class SlotOrderTest : public X11ControllerTest {};

std::vector<xcb_window_t> listedOrder(XInspector& x, const std::vector<GameProcess*>& games) {
    std::vector<xcb_window_t> order;
    for (const xcb_window_t window : x.clientList()) {
        if (std::any_of(games.begin(), games.end(), [&](auto* game) { return game->window() == window; })) {
            order.push_back(window);
        }
    }
    return order;
}

TEST_F(SlotOrderTest, slotsFollowLaunchTimeWhateverOrderTheWindowsAreListedIn) {
    const auto games = launchGames(3);
    // Windows managed again go to the end of the client list: now 3, 2, 1.
    ASSERT_TRUE(session().remanage(games[1]->window()));
    ASSERT_TRUE(session().remanage(games[0]->window()));
    ASSERT_EQ(listedOrder(x(), games),
              (std::vector<xcb_window_t>{games[2]->window(), games[1]->window(), games[0]->window()}));

    auto& c = startController();

    EXPECT_EQ(pids(c.clients()), pids(games));
    const auto& clients = c.clients();
    ASSERT_EQ(clients.size(), 3U);
    EXPECT_GT(clients[0].launchDate, platform::Date::distantPast());
    EXPECT_LE(clients[0].launchDate, clients[1].launchDate);
    EXPECT_LE(clients[1].launchDate, clients[2].launchDate);
}

}  // namespace
}  // namespace corvane::x11test
