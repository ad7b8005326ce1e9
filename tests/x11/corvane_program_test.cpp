// The real corvane program as a separate process, the way a user runs it.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "program_test.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;

constexpr xcb_keysym_t kGrave = 0x60;

class CorvaneProgramTest : public ProgramTest {
protected:
    /// The slot of the game the window manager has active; `fallback` when none.
    std::size_t activeSlot(const std::vector<GameProcess*>& games, std::size_t fallback) {
        const auto active = x().activeWindow();
        for (std::size_t i = 0; i < games.size(); ++i) {
            if (active == games[i]->window()) return i;
        }
        return fallback;
    }
};

TEST_F(CorvaneProgramTest, arrangesAsItsSettingsSayFollowsItsSwitchKeyAndEndsCleanly) {
    writeSettings(R"({"layout": "stacked"})");
    const auto games = launchGames(3);

    auto program = startProgram();

    EXPECT_TRUE(waitForLayout(games, Layout::stacked));
    // Without a tray the panel opens as a window and takes the focus: press once it has.
    ASSERT_TRUE(waitUntil([&] {
        const auto panel = panelWindow(program.pid());
        return panel && x().activeWindow() == *panel;
    }));
    const std::size_t next = (activeSlot(games, games.size() - 1) + 1) % games.size();
    x().typeKey(kGrave);
    EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == games[next]->window(); }));
    program.signalGroup(SIGTERM);
    EXPECT_EQ(program.waitForExit(5s), 0);
    EXPECT_EQ(unexpectedErrors(), "");
}

TEST_F(CorvaneProgramTest, gamesAndWindowsVanishingAtAnyMomentNeverDisturbIt) {
    GameProcess& first = launchGame({.number = 1});
    auto program = startProgram();
    ASSERT_TRUE(waitForLayout({&first}, Layout::mainPlusSide));

    for (int round = 0; round < 6; ++round) {
        auto game = session().launchGame({.number = 2 + round});
        if (round % 2 == 0) {
            game->process().signalGroup(SIGKILL);  // the game dies, its window with it
        } else {
            x().destroyWindow(game->window());  // the window goes, the game runs on
        }
    }
    GameProcess& last = launchGame({.number = 9});

    EXPECT_TRUE(waitForLayout({&first, &last}, Layout::mainPlusSide));
    EXPECT_TRUE(program.running());
    EXPECT_EQ(program.stop(), 0);
    EXPECT_EQ(unexpectedErrors(), "");
}

TEST_F(CorvaneProgramTest, aDamagedSettingsFileNeitherStopsItNorIsLost) {
    const std::string damaged = "{\"layout\": [";
    writeSettings(damaged);
    const auto games = launchGames(2);

    auto program = startProgram();

    EXPECT_TRUE(waitForLayout(games, Layout::mainPlusSide));
    EXPECT_TRUE(program.running());
    EXPECT_EQ(fileText(settingsFile()), damaged);
}

TEST_F(CorvaneProgramTest, withoutATrayThePanelIsAWindowThatAnotherStartShowsAgain) {
    auto program = startProgram();
    std::optional<xcb_window_t> panel;
    ASSERT_TRUE(waitUntil([&] { return (panel = panelWindow(program.pid())).has_value(); }));
    EXPECT_TRUE(waitForError("corvane: there is no system tray"));

    x().close(*panel);
    ASSERT_TRUE(waitUntil([&] { return !panelWindow(program.pid()); }));
    EXPECT_TRUE(program.running());

    auto second = startProgram();
    EXPECT_EQ(second.waitForExit(10s), 0);
    EXPECT_TRUE(waitForError("already runs"));
    EXPECT_TRUE(waitUntil([&] { return panelWindow(program.pid()).has_value(); }));

    program.signalGroup(SIGTERM);
    EXPECT_EQ(program.waitForExit(5s), 0);
}

TEST_F(CorvaneProgramTest, saysWhichSwitchKeyAnotherProgramHolds) {
    auto* c = x().connection();
    const xcb_keycode_t grave = x().keycodeOf(kGrave).value();
    XReply<xcb_generic_error_t> refused(xcb_request_check(
        c, xcb_grab_key_checked(c, 1, x().root(), 0, grave, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    ASSERT_EQ(refused, nullptr);

    auto program = startProgram();
    EXPECT_TRUE(waitForError("corvane: the switch key ` (backtick): That key is taken by another program."));

    xcb_ungrab_key(c, grave, x().root(), 0);
    x().sync();
}

TEST_F(CorvaneProgramTest, saysWhenTheKeyboardLacksTheSwitchKey) {
    const ReplacedKeyRow noF14(x(), evdev::kF14, {});
    writeSettings(R"({"hotkey": "f14"})");

    auto program = startProgram();

    EXPECT_TRUE(waitForError("corvane: the switch key F14: This keyboard has no such key."));
    EXPECT_EQ(programErrors().find("taken"), std::string::npos);
}

TEST_F(CorvaneProgramTest, verboseItReportsGamesFoundAndLostAndEachSwitch) {
    const auto games = launchGames(2);
    auto program = startProgram({"--verbose"});
    for (const auto* game : games) {
        EXPECT_TRUE(waitForError("game found: Window " + std::to_string(game->number()) + " (pid " +
                                 std::to_string(game->pid()) + ")"));
    }
    ASSERT_TRUE(waitUntil([&] {
        const auto panel = panelWindow(program.pid());
        return panel && x().activeWindow() == *panel;
    }));

    x().typeKey(kGrave);
    EXPECT_TRUE(waitForError("active game: Window 1 (pid " + std::to_string(games[0]->pid()) + ")"));
    quitGame(*games[1]);
    EXPECT_TRUE(waitForError("game gone: pid " + std::to_string(games[1]->pid())));
}

}  // namespace
}  // namespace corvane::x11test
