// The real corvane program as a separate process, the way a user runs it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>

#include "program_test.h"
#include "rect_printer.h"

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

    /// The border, once it shows around `game`, the active window.
    std::optional<xcb_window_t> borderAround(const GameProcess& game) {
        std::optional<xcb_window_t> border;
        const bool shown = waitUntil([&] {
            border = x().childNamed("Corvane border");
            const auto ring = border ? x().clientRect(*border) : std::nullopt;
            const auto frame = x().outerFrame(game.window());
            return ring && frame && x().isViewable(*border) && x().activeWindow() == game.window() &&
                   ring->x < frame->x && ring->y < frame->y && ring->maxX() > frame->maxX() &&
                   ring->maxY() > frame->maxY();
        });
        return shown ? border : std::nullopt;
    }

    /// The player moves and resizes `game` by hand by `change` (x, y, width, height); true once
    /// `border` has followed, which the program notices on a tick.
    bool followsByHand(const GameProcess& game, xcb_window_t border, const platform::Rect& change) {
        const auto client = x().clientRect(game.window());
        const auto ring = x().clientRect(border);
        if (!client || !ring) return false;
        x().moveClient(game.window(), {client->x + change.x, client->y + change.y,
                                       client->width + change.width, client->height + change.height});
        const platform::Rect followed{ring->x + change.x, ring->y + change.y, ring->width + change.width,
                                      ring->height + change.height};
        const bool moved = waitUntil([&] { return x().clientRect(border) == followed; });
        if (!moved)
            ADD_FAILURE() << "the border stayed at " << ::testing::PrintToString(x().clientRect(border));
        return moved;
    }

    /// The preview that shows `colour` (0xRRGGBB) in its left part, beside the game's number.
    std::optional<xcb_window_t> previewShowing(std::uint32_t colour) {
        for (const xcb_window_t preview : previewWindows()) {
            const auto frame = x().clientRect(preview);
            if (!frame) continue;
            const auto pixel = x().pixelAt(static_cast<int>(frame->x + frame->width / 5),
                                           static_cast<int>(frame->y + frame->height / 2));
            if (pixel == colour) return preview;
        }
        return std::nullopt;
    }
};

TEST_F(CorvaneProgramTest, arrangesAsItsSettingsSayFollowsItsSwitchKeyAndEndsCleanly) {
    writeSettings(R"({"layout": "stacked"})");
    const auto games = launchGames(3);

    auto program = startProgram();

    EXPECT_TRUE(waitForLayout(games, Layout::stacked));
    // Without a tray the panel opens as a window and takes the focus: press once it has.
    ASSERT_TRUE(panelInFront(program.pid()));
    const std::size_t next = (activeSlot(games, games.size() - 1) + 1) % games.size();
    x().typeKey(kGrave);
    EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == games[next]->window(); }));
    program.signalGroup(SIGTERM);
    EXPECT_EQ(program.waitForExit(5s), 0);
    EXPECT_EQ(unexpectedErrors(), "");
}

TEST_F(CorvaneProgramTest, aClickOnAPreviewSwitchesToItsGameAndADraggedOneIsRememberedWhereItWasLeft) {
    writeSettings(R"({"showPreview": true, "previewWidth": 240})");
    const auto games = launchGames(3);  // in the slot colours: green, blue, orange
    auto program = startProgram();
    ASSERT_TRUE(waitForLayout(games, Layout::mainPlusSide));
    // Closed, as a player does whose desktop has no tray: it would cover the previews.
    const auto panel = panelInFront(program.pid());
    ASSERT_TRUE(panel);
    ASSERT_TRUE(closeInFront(program.pid(), *panel));

    std::optional<xcb_window_t> blue;
    ASSERT_TRUE(waitUntil([&] { return (blue = previewShowing(0x007AFF)).has_value(); })) << programErrors();
    const auto [x0, y0] = middle(x().clientRect(*blue).value());
    clickAt(x0, y0);
    EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == games[1]->window(); })) << "the click switched";

    std::optional<xcb_window_t> orange;
    ASSERT_TRUE(waitUntil([&] { return (orange = previewShowing(0xFF9500)).has_value(); }));
    const auto before = x().clientRect(*orange).value();
    const auto [x1, y1] = middle(before);
    dragFrom({x1, y1}, {x1 - 300, y1 - 200});
    const platform::Rect moved{before.x - 300, before.y - 200, before.width, before.height};
    EXPECT_TRUE(waitUntil([&] { return x().clientRect(*orange) == moved; }));
    // A click after the drag: once it has switched, anything the release did is done,
    // and a switch to the dragged preview's game would have raised it above the blue one.
    std::optional<xcb_window_t> green;
    ASSERT_TRUE(waitUntil([&] { return (green = previewShowing(0x34C759)).has_value(); }));
    const auto [x2, y2] = middle(x().clientRect(*green).value());
    clickAt(x2, y2);
    EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == games[0]->window(); }));
    EXPECT_TRUE(x().stackedAbove(games[1]->window(), games[2]->window())) << "a drag is no click";
    // Remembered in the settings file after the quiet moment, y counted from the bottom.
    const std::string remembered = "{{" + std::to_string(static_cast<int>(before.x) - 300) + ", " +
                                   std::to_string(900 - static_cast<int>(before.maxY()) + 200) + "}";
    EXPECT_TRUE(waitUntil([&] { return fileText(settingsFile()).find(remembered) != std::string::npos; }))
        << fileText(settingsFile());
    EXPECT_EQ(unexpectedErrors(), "");
}

TEST_F(CorvaneProgramTest, itsPanelStaysAboveItsPreviewsAndItsBorder) {
    // One preview large enough to lie under the panel wherever it opens.
    // Stacked: the layout stays as it is when the game below becomes active.
    writeSettings(
        R"({"showPreview": true, "previewFrame.0": "{{100, 100}, {1240, 700}}", "layout": "stacked"})");
    const auto games = launchGames(2);
    auto program = startProgram();
    const auto panel = panelInFront(program.pid());
    ASSERT_TRUE(panel);
    ASSERT_TRUE(waitUntil([&] { return previewWindows().size() == 1; }));

    // The player clicks a game: the border shows around it, the panel stays open.
    x().activate(games[0]->window());
    const auto border = borderAround(*games[0]);
    ASSERT_TRUE(border);
    // Each tick raises what is covered. The border following a move shows a tick
    // has run; following a second one, that the first tick's step is done.
    ASSERT_TRUE(followsByHand(*games[0], *border, {10, 10, 0, 0}));
    ASSERT_TRUE(followsByHand(*games[0], *border, {-10, -10, 0, 0}));
    ASSERT_EQ(previewWindows().size(), 1U);
    EXPECT_TRUE(x().stackedAbove(*panel, previewWindows().front()));
    EXPECT_TRUE(x().stackedAbove(*panel, *border));
}

TEST_F(CorvaneProgramTest, theBorderFollowsAGameThePlayerMovesAndResizesByHand) {
    // A layout that stays as it is when another game becomes active.
    writeSettings(R"({"layout": "stacked"})");
    const auto games = launchGames(2);
    auto program = startProgram();
    ASSERT_TRUE(waitForLayout(games, Layout::stacked));
    ASSERT_TRUE(panelInFront(program.pid()));  // the player clicks the game after that
    x().activate(games[0]->window());
    const auto border = borderAround(*games[0]);
    ASSERT_TRUE(border);

    // Dragged by its title bar and made smaller by a corner, as the window manager lets the player.
    EXPECT_TRUE(followsByHand(*games[0], *border, {40, 30, -100, -80}));
}

TEST_F(CorvaneProgramTest, theBorderMovesToTheNextGameWithoutBlinking) {
    const auto games = launchGames(2);
    auto program = startProgram();
    ASSERT_TRUE(waitForLayout(games, Layout::mainPlusSide));
    ASSERT_TRUE(panelInFront(program.pid()));
    x().activate(games[0]->window());
    const auto border = borderAround(*games[0]);
    ASSERT_TRUE(border);

    auto unmaps = x().watchUnmaps(*border);
    x().typeKey(kGrave);
    EXPECT_TRUE(borderAround(*games[1]));
    EXPECT_EQ(unmaps.count(), 0) << "the border was taken off the screen during the switch";
}

TEST_F(CorvaneProgramTest, theBorderHidesWhileThePanelHasThePlayerAndComesBackWhenItCloses) {
    const auto games = launchGames(2);
    auto program = startProgram();
    const auto panel = panelInFront(program.pid());
    ASSERT_TRUE(panel);
    x().activate(games[0]->window());
    const auto border = borderAround(*games[0]);
    ASSERT_TRUE(border);

    x().activate(*panel);  // the player turns to the panel
    EXPECT_TRUE(waitUntil([&] { return !x().isViewable(*border); }));
    x().close(*panel);

    EXPECT_TRUE(borderAround(*games[0])) << "the window manager gives the game back the focus";
}

TEST_F(CorvaneProgramTest, quitCorvaneEndsItWithStatusZeroAndWhatWasChangedSaved) {
    auto program = startProgram();
    ASSERT_TRUE(waitUntil([&] { return panelWindow(program.pid()).has_value(); }));
    ASSERT_TRUE(clickControl(program.pid(), "check box", "Colored border on the active window"));
    ASSERT_TRUE(clickControl(program.pid(), "push button", "Quit Corvane"));
    EXPECT_EQ(program.waitForExit(5s), 0);
    EXPECT_NE(fileText(settingsFile()).find(R"("showBorder": false)"), std::string::npos)
        << fileText(settingsFile());
    EXPECT_EQ(unexpectedErrors(), "");
}

TEST_F(CorvaneProgramTest, onATrayOverDBusItsIconIsAnItemWhoseActivationOpensThePanel) {
    const auto watcher = XSession::findInPath("status-notifier-watcher");
    if (watcher.empty()) GTEST_SKIP() << "not installed: status-notifier-watcher";
    startSessionBus();
    startOnBus({watcher});
    const auto host = startOnBus({python(), SNI_HOST_PATH, "20"});
    ASSERT_TRUE(waitUntil([&] { return fileText(host).find("host ") != std::string::npos; }))
        << fileText(host);

    auto program = startProgram();
    EXPECT_TRUE(waitUntil([&] { return fileText(host).find("activated") != std::string::npos; }))
        << fileText(host);
    EXPECT_TRUE(waitUntil([&] { return panelWindow(program.pid()).has_value(); }))
        << "opened by the activation";
    EXPECT_EQ(programErrors().find("no system tray"), std::string::npos) << "a tray over D-Bus is a tray";
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
    const auto panel = panelInFront(program.pid());
    ASSERT_TRUE(panel);
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

TEST_F(CorvaneProgramTest, aStartBesideABusyOrADeadOneNeverMakesATwin) {
    auto first = startProgram();
    ASSERT_TRUE(waitUntil([&] { return panelWindow(first.pid()).has_value(); }));
    first.signalGroup(SIGSTOP);  // as busy as a program can be
    auto second = startProgram();
    EXPECT_EQ(second.waitForExit(15s), 1);
    EXPECT_TRUE(waitForError("but did not answer"));

    first.signalGroup(SIGKILL);
    first.signalGroup(SIGCONT);
    ASSERT_TRUE(first.waitForExit(5s).has_value());
    auto third = startProgram();
    EXPECT_TRUE(waitUntil([&] { return panelWindow(third.pid()).has_value(); }))
        << "the lock of a program that died kept the next one out";
    third.signalGroup(SIGTERM);
    EXPECT_EQ(third.waitForExit(5s), 0);
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

TEST_F(CorvaneProgramTest, itsCheckSaysWhatTheDesktopGivesAndWhatToDoAboutATakenKey) {
    launchGames(2);
    const auto fine = runCheck();
    EXPECT_EQ(fine.status, 0) << fine.report;
    for (const char* line : {"  ok  the display is an X11 server, window manager Openbox",
                             "  ok  the window manager moves a window when asked",
                             "  ok  the window manager activates a window when asked",
                             "  ok  the switch key ` (backtick) can be had", "  ok  2 games running now",
                             "Everything your settings need works here."}) {
        EXPECT_NE(fine.report.find(line), std::string::npos) << line << " in:\n" << fine.report;
    }

    auto* c = x().connection();
    const xcb_keycode_t grave = x().keycodeOf(kGrave).value();
    XReply<xcb_generic_error_t> refused(xcb_request_check(
        c, xcb_grab_key_checked(c, 1, x().root(), 0, grave, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    ASSERT_EQ(refused, nullptr);
    const auto taken = runCheck();
    EXPECT_EQ(taken.status, 1) << taken.report;
    EXPECT_NE(taken.report.find("  NO  the switch key ` (backtick) is taken by another program"),
              std::string::npos)
        << taken.report;
    EXPECT_NE(taken.report.find("To do: pick another switch key or jump keys in the panel"),
              std::string::npos)
        << taken.report;
    xcb_ungrab_key(c, grave, x().root(), 0);
    x().sync();
}

TEST_F(CorvaneProgramTest, verboseItReportsGamesFoundAndLostAndEachSwitch) {
    const auto games = launchGames(2);
    auto program = startProgram({"--verbose"});
    for (const auto* game : games) {
        EXPECT_TRUE(waitForError("game found: Window " + std::to_string(game->number()) + " (pid " +
                                 std::to_string(game->pid()) + ")"));
    }
    ASSERT_TRUE(panelInFront(program.pid()));

    x().typeKey(kGrave);
    EXPECT_TRUE(waitForError("active game: Window 1 (pid " + std::to_string(games[0]->pid()) + ")"));
    quitGame(*games[1]);
    EXPECT_TRUE(waitForError("game gone: pid " + std::to_string(games[1]->pid())));
}

}  // namespace
}  // namespace corvane::x11test
