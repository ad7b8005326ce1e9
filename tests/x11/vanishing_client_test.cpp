// Games quit and their windows vanish at any moment; the program follows
// without an error, a crash or a word on stderr.
#include <gtest/gtest.h>

#include <csignal>

#include "stderr_capture.h"
#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;

class VanishingClientTest : public X11ControllerTest {};

TEST_F(VanishingClientTest, aGameThatQuitsIsDroppedAtTheNextTick) {
    const auto games = launchGames(3);
    auto& c = startController();
    c.focusClient(c.clients()[1]);
    ASSERT_EQ(c.activePid(), games[1]->pid());

    quitGame(*games[1]);
    settleBackend();
    c.tick();

    EXPECT_EQ(pids(c.clients()), (std::vector<platform::Pid>{games[0]->pid(), games[2]->pid()}));
    // The window manager may have handed the focus to another game already.
    const auto frontmost = x().activeWindow();
    const auto frontmostPid = frontmost ? x().pid(*frontmost) : std::nullopt;
    const bool aGameIsFrontmost = frontmostPid == static_cast<std::uint32_t>(games[0]->pid()) ||
                                  frontmostPid == static_cast<std::uint32_t>(games[2]->pid());
    EXPECT_EQ(c.activePid(), aGameIsFrontmost
                                 ? std::optional<platform::Pid>(static_cast<platform::Pid>(*frontmostPid))
                                 : std::nullopt);
}

TEST_F(VanishingClientTest, aWindowDestroyedBetweenTheListAndTheWritesCausesNoError) {
    const auto games = launchGames(2);
    auto& c = startController();
    c.setLayout(Layout::sideBySide);
    const auto expected = expectedFrames(Layout::sideBySide);
    auto& accessibility = backend().accessibility();
    const auto windows = accessibility.windows(games[0]->pid());
    ASSERT_TRUE(windows && windows->size() == 1);
    const platform::WindowRef window = windows->front();
    x().moveClient(games[1]->window(), {900, 500, 400, 300});
    ASSERT_TRUE(waitUntil([&] { return x().outerFrame(games[1]->window()) != expected[1]; }));
    StderrCapture stderrText(session().newPath("stderr"));

    x().destroyWindow(games[0]->window());
    WowClient::setFrame(window, {10, 10, 500, 400}, accessibility);
    accessibility.raise(window);
    settleBackend();
    const auto position = accessibility.position(window);
    const auto size = accessibility.size(window);
    c.focusClient(c.clients()[0]);
    c.applyLayout();
    // The run went on past the vanished window and placed the other game.
    EXPECT_TRUE(runUntil([&] { return x().outerFrame(games[1]->window()) == expected[1]; }));
    // The window manager drops the window from its list in its own time.
    EXPECT_TRUE(runUntil([&] { return pids(c.clients()) == std::vector<platform::Pid>{games[1]->pid()}; }));
    settleBackend();

    EXPECT_EQ(stderrText.finish(), "");
    EXPECT_EQ(position, std::nullopt);
    EXPECT_EQ(size, std::nullopt);
}

}  // namespace
}  // namespace corvane::x11test
