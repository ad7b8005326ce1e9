// The real program on the real Wayland compositors, as a player on a Wayland
// desktop runs it: the games and everything the program shows are XWayland
// windows, and what the compositor's X window manager does is what the
// player gets. One start of each compositor, its games and the program serves
// every check, in the order a player meets them.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "compositor_session.h"
#include "expected_layout.h"
#include "program_runner.h"
#include "rect_printer.h"
#include "text_file.h"
#include "wait_until.h"

#ifndef SNI_HOST_PATH
#error "SNI_HOST_PATH must name the script that plays a tray host over D-Bus"
#endif

namespace corvane::wltest {
namespace {

using namespace std::chrono_literals;
using x11test::ProgramRunner;
using x11test::waitUntil;

constexpr xcb_keysym_t kGrave = 0x60;
constexpr xcb_keysym_t kControl = 0xffe3;
constexpr xcb_keysym_t kDigitOne = 0x31;
constexpr std::size_t kGames = 3;
// Not the slot colours, so that a border's pixel is never a game's.
constexpr std::array<std::uint32_t, kGames> kGameColours = {0xC0392B, 0x8E44AD, 0x16A085};
constexpr std::array<std::uint32_t, kGames> kSlotColours = {0x34C759, 0x007AFF, 0xFF9500};
constexpr double kMainShare = 0.72;
const std::string kSettings = R"({"layout": "stacked", "jumpStyle": "controlNumbers", "showPreview": true})";

std::pair<int, int> middle(const platform::Rect& rect) {
    return {static_cast<int>(rect.x + rect.width / 2), static_cast<int>(rect.y + rect.height / 2)};
}

bool overlap(const platform::Rect& a, const platform::Rect& b) {
    return a.x < b.maxX() && b.x < a.maxX() && a.y < b.maxY() && b.y < a.maxY();
}

/// Checks that wait for a fallback the program lacks run with
/// CORVANE_WAYLAND_PENDING=1 only.
bool pendingChecksRun() {
    const char* value = std::getenv("CORVANE_WAYLAND_PENDING");
    return value != nullptr && std::string(value) == "1";
}

#define PENDING_UNDER(condition, missing)                                                 \
    if ((condition) && !pendingChecksRun())                                               \
    GTEST_SKIP() << "pending under " << name(GetParam()) << ": the program " << (missing) \
                 << " (CORVANE_WAYLAND_PENDING=1 runs this check)"

/// One compositor's desktop with its games and the program, shared by the
/// checks of that compositor, in the order they end.
struct Desktop {
    std::unique_ptr<CompositorSession> session;
    std::vector<std::unique_ptr<GameProcess>> games;
    std::unique_ptr<ProgramRunner> runner;
    std::optional<ChildProcess> program;
    std::string skipReason;  ///< the compositor cannot run here
    std::string failure;     ///< it runs, but the games or the program did not start
};

std::map<Compositor, std::unique_ptr<Desktop>>& desktops() {
    static std::map<Compositor, std::unique_ptr<Desktop>> all;
    return all;
}

/// Ends every desktop after the last test, whatever their order.
class DesktopsEnvironment : public ::testing::Environment {
public:
    void TearDown() override { desktops().clear(); }
};
[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new DesktopsEnvironment);

Desktop& desktopFor(Compositor compositor) {
    auto& slot = desktops()[compositor];
    if (slot) return *slot;
    slot = std::make_unique<Desktop>();
    Desktop& desktop = *slot;
    desktop.skipReason = CompositorSession::missingPrograms(compositor);
    if (desktop.skipReason.empty()) {
        try {
            desktop.session = std::make_unique<CompositorSession>(compositor);
        } catch (const std::exception& error) {
            desktop.skipReason = std::string("it did not start here: ") + error.what();
        }
    }
    if (!desktop.session) {
        // ctest reads this line to report the compositor's run as skipped.
        std::printf("wayland_tests: skipped: %s: %s\n", std::string(name(compositor)).c_str(),
                    desktop.skipReason.c_str());
        return desktop;
    }
    try {
        for (std::size_t i = 0; i < kGames; ++i) {
            std::array<char, 8> colour{};
            std::snprintf(colour.data(), colour.size(), "%06X", kGameColours.at(i));
            desktop.games.push_back(
                desktop.session->launchGame({.number = static_cast<int>(i) + 1, .color = colour.data()}));
        }
        const auto folder = desktop.session->folder();
        desktop.runner = std::make_unique<ProgramRunner>(folder / "program", desktop.session->desktop(),
                                                         folder / "program-config");
        desktop.runner->writeSettings(kSettings);
        desktop.program = desktop.runner->start({"--verbose"});
    } catch (const std::exception& error) {
        desktop.failure = error.what();
    }
    return desktop;
}

class WaylandTest : public ::testing::TestWithParam<Compositor> {
protected:
    void SetUp() override {
        desktop_ = &desktopFor(GetParam());
        if (!desktop_->session) GTEST_SKIP() << desktop_->skipReason;
        ASSERT_EQ(desktop_->failure, "");
    }

    [[nodiscard]] static Compositor compositor() { return GetParam(); }
    [[nodiscard]] CompositorSession& session() { return *desktop_->session; }
    [[nodiscard]] XInspector& x() { return desktop_->session->x(); }
    [[nodiscard]] ProgramRunner& runner() { return *desktop_->runner; }
    [[nodiscard]] ChildProcess& program() { return *desktop_->program; }
    [[nodiscard]] GameProcess& game(std::size_t slot) { return *desktop_->games.at(slot); }
    /// weston's X window manager takes no request to move or activate a window.
    [[nodiscard]] static bool windowManagerObeys() { return compositor() != Compositor::weston; }

    /// The slot of the game the window manager has active.
    std::optional<std::size_t> activeSlot() {
        const auto active = x().activeWindow();
        for (std::size_t slot = 0; slot < kGames; ++slot) {
            if (active == game(slot).window()) return slot;
        }
        return std::nullopt;
    }

    /// The active game's slot; where none is and the keys could not switch,
    /// the player clicks game 1 through the compositor.
    std::optional<std::size_t> someGameActive() {
        std::optional<std::size_t> slot;
        if (!waitUntil([&] { return (slot = activeSlot()).has_value(); }, 1s)) {
            session().clickThroughCompositor(middle(frameOf(game(0).window()).value()));
            waitUntil([&] { return (slot = activeSlot()).has_value(); });
        }
        return slot;
    }

    /// A click as the player's mouse makes it: through the compositor where
    /// the test can, else through XTEST, which reaches the X clients only.
    void click(std::pair<int, int> at) {
        if (!session().clickThroughCompositor(at)) x().click(at.first, at.second);
    }

    /// The client area and the window manager's frame around it, where it says.
    std::optional<platform::Rect> frameOf(xcb_window_t window) {
        const auto client = x().clientRect(window);
        if (!client) return std::nullopt;
        const auto [left, right, top, bottom] =
            x().frameExtents(window).value_or(std::array<std::uint32_t, 4>{});
        return platform::Rect{client->x - left, client->y - top, client->width + left + right,
                              client->height + top + bottom};
    }

    /// The game is active and has the keyboard: a key typed now reaches it.
    void expectKeyboardOn(std::size_t slot) {
        const xcb_window_t window = game(slot).window();
        EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == window; }))
            << "game " << slot + 1 << " is not the active window";
        EXPECT_TRUE(waitUntil([&] { return x().inputFocus() == window; }))
            << "game " << slot + 1 << " has no X input focus";
        const auto letter = static_cast<char>('a' + typed_++);
        x().typeKey(static_cast<xcb_keysym_t>(letter));
        EXPECT_TRUE(game(slot).waitForLog("KeyPress keysym=" + std::string(1, letter), 5s))
            << "the key typed afterwards did not reach game " << slot + 1;
    }

    /// The program's stderr lines that start "corvane: " and match `pattern`,
    /// but for its reports of games and of keys it could not take.
    std::vector<std::string> linesSaying(const std::string& pattern) {
        const std::regex expression(pattern, std::regex::icase);
        const std::regex reports("^corvane: (game |active game|the switch key|the jump keys)");
        std::stringstream lines(runner().errors());
        std::vector<std::string> found;
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("corvane: ") && std::regex_search(line, expression) &&
                !std::regex_search(line, reports)) {
                found.push_back(line);
            }
        }
        return found;
    }

    /// The viewable windows of the border: one cut to the band, or, on
    /// XWayland, four strips that make it.
    std::vector<xcb_window_t> borderWindows() {
        std::vector<xcb_window_t> shown;
        for (const xcb_window_t window : x().childrenNamed("Corvane border")) {
            if (x().isViewable(window)) shown.push_back(window);
        }
        return shown;
    }
    /// The rectangle the border's windows cover together.
    std::optional<platform::Rect> borderBand() {
        std::optional<platform::Rect> band;
        for (const xcb_window_t window : borderWindows()) {
            const auto rect = x().clientRect(window);
            if (!rect) continue;
            band = band ? platform::Rect{std::min(band->x, rect->x), std::min(band->y, rect->y),
                                         std::max(band->maxX(), rect->maxX()) - std::min(band->x, rect->x),
                                         std::max(band->maxY(), rect->maxY()) - std::min(band->y, rect->y)}
                        : *rect;
        }
        return band;
    }
    /// The border's colour at a screen point, from the window of it that covers the point.
    std::optional<std::uint32_t> borderPixel(int atX, int atY) {
        for (const xcb_window_t window : borderWindows()) {
            const auto rect = x().clientRect(window);
            if (rect && atX >= rect->x && atX < rect->maxX() && atY >= rect->y && atY < rect->maxY()) {
                return x().windowPixel(window, atX - static_cast<int>(rect->x),
                                       atY - static_cast<int>(rect->y));
            }
        }
        return std::nullopt;
    }

    /// Where the window manager does not do a thing at all, the program says
    /// so, once, in a line that names it.
    void expectSaidOnce(const std::string& pattern) {
        EXPECT_TRUE(waitUntil([&] { return !linesSaying(pattern).empty(); })) << runner().errors();
        EXPECT_EQ(linesSaying(pattern).size(), 1U) << runner().errors();
    }

    struct Shown {
        std::size_t slot;
        int x;  ///< where, on the screen
        int y;
    };
    /// The game whose colour a preview shows somewhere on its middle row (a
    /// game's shape may leave bars at its sides), and where.
    std::optional<Shown> gameShownBy(xcb_window_t preview) {
        const auto frame = x().clientRect(preview);
        if (!frame) return std::nullopt;
        for (int tenth = 1; tenth < 10; ++tenth) {
            const int atX = static_cast<int>(frame->width) * tenth / 10;
            const int atY = static_cast<int>(frame->height / 2);
            const auto pixel = x().windowPixel(preview, atX, atY);
            for (std::size_t slot = 0; slot < kGames; ++slot) {
                if (pixel == kGameColours.at(slot)) {
                    return Shown{slot, static_cast<int>(frame->x) + atX, static_cast<int>(frame->y) + atY};
                }
            }
        }
        return std::nullopt;
    }

    /// The preview showing game `slot`, and where.
    std::optional<std::pair<xcb_window_t, Shown>> previewOf(std::size_t slot) {
        for (const xcb_window_t preview : session().windowsTitled("Corvane preview")) {
            if (const auto seen = gameShownBy(preview); seen && seen->slot == slot)
                return std::pair{preview, *seen};
        }
        return std::nullopt;
    }

private:
    Desktop* desktop_ = nullptr;
    inline static int typed_ = 0;
};

const std::filesystem::path kPortal = "/usr/libexec/xdg-desktop-portal";
const std::string kCannotSwitch = "activat|switch|focus";
const std::string kCannotArrange = "arrang|move|position|place";

TEST_P(WaylandTest, findsEveryGame) {
    for (std::size_t slot = 0; slot < kGames; ++slot) {
        EXPECT_TRUE(runner().waitForError("corvane: game found: Window " + std::to_string(slot + 1) +
                                          " (pid " + std::to_string(game(slot).pid()) + ")"))
            << runner().errors();
    }
}

TEST_P(WaylandTest, opensItsPanelAsAnXWindowWithoutATray) {
    // As an X window it keeps the X key grabs working while it has the keyboard.
    EXPECT_TRUE(waitUntil([&] { return !session().windowsTitled("Corvane", program().pid()).empty(); }))
        << "no X window titled Corvane\n"
        << runner().errors();
    EXPECT_TRUE(runner().waitForError("corvane: there is no system tray"));
}

TEST_P(WaylandTest, arrangesTheGamesAsTheLayoutSays) {
    if (!windowManagerObeys()) {
        expectSaidOnce(kCannotArrange);
        return;
    }
    const platform::Rect screen{0, 0, kScreenWidth, kScreenHeight};
    const auto expected = x11test::expectedFrames(Layout::stacked, kGames, 0, kMainShare, screen,
                                                  x11test::usableArea(screen, x().workArea()));
    std::vector<platform::Rect> frames;
    EXPECT_TRUE(waitUntil([&] {
        frames.clear();
        for (std::size_t slot = 0; slot < kGames; ++slot) {
            frames.push_back(frameOf(game(slot).window()).value_or(platform::Rect{}));
        }
        return frames == expected;
    })) << ::testing::PrintToString(frames)
        << " instead of " << ::testing::PrintToString(expected);
}

TEST_P(WaylandTest, theSwitchKeyWorksFromThePanelAndGoesOnToTheNextGame) {
    if (!windowManagerObeys()) {
        x().typeKey(kGrave);
        expectSaidOnce(kCannotSwitch);
        return;
    }
    std::vector<xcb_window_t> panel;
    ASSERT_TRUE(
        waitUntil([&] { return !(panel = session().windowsTitled("Corvane", program().pid())).empty(); }));
    // Where it did not take the keyboard at start, the player clicks it.
    if (!waitUntil([&] { return x().activeWindow() == panel.front(); }, 2s)) x().activate(panel.front());
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == panel.front(); }))
        << "the panel never had the focus";

    x().typeKey(kGrave);
    std::optional<std::size_t> first;
    ASSERT_TRUE(waitUntil([&] { return (first = activeSlot()).has_value(); }))
        << "the switch key did nothing";
    expectKeyboardOn(*first);
    x().typeKey(kGrave);
    expectKeyboardOn((*first + 1) % kGames);
}

TEST_P(WaylandTest, aJumpKeyGoesToItsGame) {
    if (!windowManagerObeys()) {
        x().typeChord({kControl, kDigitOne + 1});
        expectSaidOnce(kCannotSwitch);
        return;
    }
    const std::size_t target = activeSlot() == 1 ? 2 : 1;
    x().typeChord({kControl, static_cast<xcb_keysym_t>(kDigitOne + target)});
    expectKeyboardOn(target);
}

TEST_P(WaylandTest, drawsTheBorderAroundTheActiveGame) {
    if (!windowManagerObeys()) {
        GTEST_SKIP() << name(compositor()) << " activates no game, so no border shows (the program says so)";
    }
    const std::optional<std::size_t> slot = someGameActive();
    ASSERT_TRUE(slot.has_value()) << "no game is active";
    const platform::Rect frame = frameOf(game(*slot).window()).value();
    // A pixel of the band just above the frame, or below it at the screen's top.
    const int atX = static_cast<int>(frame.x + frame.width / 2);
    const int atY = frame.y >= 4 ? static_cast<int>(frame.y) - 2 : static_cast<int>(frame.maxY()) + 1;
    std::optional<platform::Rect> band;
    std::optional<std::uint32_t> seen;
    EXPECT_TRUE(waitUntil([&] {
        band = borderBand();
        if (!band || band->x >= frame.x || band->y >= frame.y || band->maxX() <= frame.maxX() ||
            band->maxY() <= frame.maxY()) {
            return false;
        }
        seen = borderPixel(atX, atY);
        return seen == kSlotColours.at(*slot);
    })) << "the border "
        << ::testing::PrintToString(band) << " around " << ::testing::PrintToString(frame) << " shows "
        << seen.value_or(0);
}

TEST_P(WaylandTest, aClickOnTheBorderOverAnotherGameReachesThatGame) {
    if (!session().canClickThroughCompositor()) {
        GTEST_SKIP() << "no real click through " << name(compositor())
                     << " can be played here: an XTEST click goes behind its back";
    }
    PENDING_UNDER(
        compositor() == Compositor::sway,
        "lets a real click on the border's band through to the game beneath: XWayland 22 hands sway no "
        "input shape, so the band's four strips take a click on them (the game inside the band keeps its "
        "clicks, which one shaped window would take)");
    const std::optional<std::size_t> slot = someGameActive();
    ASSERT_TRUE(slot.has_value()) << "no game is active";
    const auto shown = borderBand();
    ASSERT_TRUE(shown.has_value());
    const platform::Rect band = *shown;
    const platform::Rect frame = frameOf(game(*slot).window()).value();
    // A point of the band outside the active game's frame and inside another's.
    std::optional<std::pair<std::size_t, std::pair<int, int>>> target;
    for (std::size_t other = 0; other < kGames && !target; ++other) {
        if (other == *slot) continue;
        const platform::Rect beneath = frameOf(game(other).window()).value();
        for (const auto& [px, py] : {std::pair{frame.maxX() + 1, frame.y + frame.height / 2},
                                     std::pair{frame.x - 2, frame.y + frame.height / 2},
                                     std::pair{frame.x + frame.width / 2, frame.maxY() + 1},
                                     std::pair{frame.x + frame.width / 2, frame.y - 2}}) {
            const bool onBand = px >= band.x && px < band.maxX() && py >= band.y && py < band.maxY();
            if (onBand && px >= beneath.x && px < beneath.maxX() && py >= beneath.y && py < beneath.maxY()) {
                target = {other, {static_cast<int>(px), static_cast<int>(py)}};
                break;
            }
        }
    }
    ASSERT_TRUE(target.has_value()) << "the band " << ::testing::PrintToString(band)
                                    << " lies over no other game";
    ASSERT_TRUE(session().clickThroughCompositor(target->second));
    EXPECT_TRUE(waitUntil([&] { return activeSlot() == target->first; }))
        << "the click on the band did not reach game " << target->first + 1;
}

TEST_P(WaylandTest, showsLivePicturesOfTheOtherGamesAboveThem) {
    // One preview for each game but the active one, each of another game.
    std::map<xcb_window_t, Shown> shown;
    EXPECT_TRUE(waitUntil([&] {
        shown.clear();
        std::set<std::size_t> games;
        for (const xcb_window_t preview : session().windowsTitled("Corvane preview")) {
            const auto seen = gameShownBy(preview);
            if (!seen) return false;
            shown[preview] = *seen;
            games.insert(seen->slot);
        }
        return shown.size() == kGames - 1 && games.size() == shown.size() &&
               !games.contains(activeSlot().value_or(kGames));
    })) << shown.size()
        << " previews, each of another game than the active one";
    for (const auto& [preview, seen] : shown) {
        // X's stacking says nothing of what sway shows: its screenshot does.
        if (session().canTakeScreenshots()) {
            // The compositor shows a window a frame or two after X has it in place.
            EXPECT_TRUE(waitUntil([&, preview = preview] {
                const auto now = gameShownBy(preview);
                return now && session().screenPixel(now->x, now->y) == kGameColours.at(now->slot);
            })) << "the preview of game "
                << seen.slot + 1 << " does not show on the screen";
            continue;
        }
        for (std::size_t other = 0; other < kGames; ++other) {
            // Raised in the step after it shows.
            EXPECT_TRUE(waitUntil([&, preview = preview] {
                return x().stackedAbove(preview, game(other).window());
            })) << "the preview of game "
                << seen.slot + 1 << " is below game " << other + 1;
        }
    }
}

TEST_P(WaylandTest, placesEachPreviewOnASpotOfItsOwn) {
    if (!windowManagerObeys()) {
        GTEST_SKIP() << name(compositor()) << " places no window where asked (the program says so)";
    }
    // sway centres each new floating window once it shows, and the program puts it back: where they
    // settle is what counts.
    std::vector<platform::Rect> spots;
    const auto apart = [&] {
        for (std::size_t i = 0; i < spots.size(); ++i) {
            const bool onScreen = spots[i].x >= 0 && spots[i].y >= 0 && spots[i].maxX() <= kScreenWidth &&
                                  spots[i].maxY() <= kScreenHeight;
            if (!onScreen) return false;
            for (std::size_t j = i + 1; j < spots.size(); ++j) {
                if (overlap(spots[i], spots[j])) return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(waitUntil([&] {
        spots.clear();
        for (const xcb_window_t preview : session().windowsTitled("Corvane preview")) {
            spots.push_back(frameOf(preview).value_or(platform::Rect{}));
        }
        return spots.size() == kGames - 1 && apart();
    })) << ::testing::PrintToString(spots);
}

TEST_P(WaylandTest, aClickOnAPreviewSwitchesToItsGame) {
    if (compositor() == Compositor::weston) {
        GTEST_SKIP() << "XTEST pointer motion ends weston 10's XWayland: no click can be played there";
    }
    const std::size_t target = activeSlot() == 0 ? 2 : 0;
    std::optional<std::pair<xcb_window_t, Shown>> preview;
    ASSERT_TRUE(waitUntil([&] { return (preview = previewOf(target)).has_value(); }));
    const auto spot = x().clientRect(preview->first).value();
    // The panel, open since the start, may lie over it: the player closes it.
    for (const xcb_window_t panel : session().windowsTitled("Corvane", program().pid())) {
        if (overlap(frameOf(panel).value_or(platform::Rect{}), spot)) {
            session().close(panel);
            ASSERT_TRUE(
                waitUntil([&] { return session().windowsTitled("Corvane", program().pid()).empty(); }));
        }
    }
    // The player clicks the preview where the screen shows it: sway hit-tests what it has shown,
    // which may lag behind where X already has the window.
    std::pair<int, int> at = middle(spot);
    if (session().canTakeScreenshots()) {
        ASSERT_TRUE(waitUntil([&] {
            preview = previewOf(target);
            return preview &&
                   session().screenPixel(preview->second.x, preview->second.y) == kGameColours.at(target);
        })) << "the preview of game "
            << target + 1 << " does not show on the screen";
        at = {preview->second.x, preview->second.y};
    }
    // Through the compositor's own input where it can be played, as the player's mouse does.
    if (session().canClickThroughCompositor()) {
        ASSERT_TRUE(session().clickThroughCompositor(at));
    } else {
        click(at);
    }
    expectKeyboardOn(target);
}

TEST_P(WaylandTest, reportsNoXErrorAndRunsOn) {
    EXPECT_TRUE(program().running()) << runner().errors();
    EXPECT_EQ(runner().errors().find("X error"), std::string::npos) << runner().errors();
}

TEST_P(WaylandTest, itsCheckNamesTheCompositorAndWhatItDoesNot) {
    // Once the running Corvane holds its keys, the check leaves them to it.
    ASSERT_TRUE(runner().waitForError("corvane: game found: Window " + std::to_string(kGames)));
    const auto outcome = runner().check();
    EXPECT_NE(outcome.report.find("the display is XWayland, in a Wayland session, compositor "),
              std::string::npos)
        << outcome.report;
    if (!windowManagerObeys()) {
        EXPECT_EQ(outcome.status, 1) << outcome.report;
        EXPECT_NE(outcome.report.find("  NO  the window manager moves no window when asked"),
                  std::string::npos)
            << outcome.report;
        EXPECT_NE(outcome.report.find("To do: use a desktop whose window manager does"), std::string::npos)
            << outcome.report;
        return;
    }
    EXPECT_EQ(outcome.status, 0) << outcome.report;
    EXPECT_NE(outcome.report.find("  ok  the window manager moves a window when asked"), std::string::npos)
        << outcome.report;
    EXPECT_NE(outcome.report.find("  ok  the window manager activates a window when asked"),
              std::string::npos)
        << outcome.report;
}

TEST_P(WaylandTest, underKWinItsTrayIconIsAnItemWhoseActivationOpensThePanel) {
    if (compositor() != Compositor::kwin) GTEST_SKIP() << "KWin's tray, over D-Bus, stands for them all";
    const auto watcher = x11test::findInPath("status-notifier-watcher");
    if (watcher.empty()) GTEST_SKIP() << "not installed: status-notifier-watcher";
    // A start of its own, on a bus where Plasma's watcher and panel are first.
    program().signalGroup(SIGTERM);
    ASSERT_EQ(program().waitForExit(5s), 0) << runner().errors();
    runner().startSessionBus();
    runner().startOnBus({watcher});
    const auto host = runner().startOnBus({ProgramRunner::python(), SNI_HOST_PATH, "20"});
    ASSERT_TRUE(waitUntil([&] { return x11test::fileText(host).find("host ") != std::string::npos; }));
    program() = runner().start();

    EXPECT_TRUE(waitUntil([&] { return x11test::fileText(host).find("activated") != std::string::npos; }))
        << x11test::fileText(host);
    EXPECT_TRUE(waitUntil([&] { return !session().windowsTitled("Corvane", program().pid()).empty(); }))
        << "opened by the activation";
    EXPECT_EQ(runner().errors().find("no system tray"), std::string::npos) << runner().errors();
}

TEST_P(WaylandTest, underKWinTheSwitchKeyIsOneOfTheDesktopsShortcutsAndSwitchesFromThere) {
    if (compositor() != Compositor::kwin)
        GTEST_SKIP() << "KWin's portal stands for the desktops that have one";
    if (!std::filesystem::exists(kPortal) || x11test::findInPath("gdbus").empty())
        GTEST_SKIP() << "not installed: xdg-desktop-portal, gdbus";
    // A start of its own on KWin's bus, where its shortcuts service lives and the portal starts on
    // the first call, as in a Plasma session.
    ASSERT_TRUE(waitUntil([&] { return !session().windowsTitled("Corvane preview").empty(); }))
        << "the program is not up yet";
    program().signalGroup(SIGTERM);
    ASSERT_EQ(program().waitForExit(5s), 0) << runner().errors();
    std::string environment = "{'XDG_CURRENT_DESKTOP': 'KDE', 'QT_QPA_PLATFORM': 'wayland'";
    for (const auto& [name, value] : session().desktop()) {
        environment.append(", '").append(name).append("': '").append(value).append("'");
    }
    ASSERT_TRUE(session().busCall({"--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus",
                                   "--method", "org.freedesktop.DBus.UpdateActivationEnvironment",
                                   environment + "}"}))
        << x11test::fileText(session().folder() / "gdbus.log");
    program() = runner().start(
        {}, {{"DBUS_SESSION_BUS_ADDRESS", session().busAddress()}, {"XDG_CURRENT_DESKTOP", "KDE"}});
    const std::vector<std::string> component = {"--dest", "org.kde.kglobalaccel", "--object-path",
                                                "/component/corvane"};
    auto inComponent = [&](const std::string& method, const std::string& arguments) {
        auto call = component;
        call.insert(call.end(), {"--method", "org.kde.kglobalaccel.Component." + method});
        std::stringstream words(arguments);
        for (std::string word; words >> word;) call.push_back(word);
        return session().busCall(call);
    };
    EXPECT_TRUE(waitUntil(
        [&] { return inComponent("shortcutNames", "").value_or("").find("'switch'") != std::string::npos; },
        20s))
        << "the switch key is not among KWin's shortcuts\n"
        << runner().errors();
    // What KWin does with the key pressed in any window, Wayland's own too (XTEST reaches X clients only).
    // KWin lists the shortcut as soon as the portal registers it, a moment before the portal's session
    // hands presses to the program: a first press may go nowhere. Pressed again after a pause, and the
    // game it made active read once the presses have settled.
    std::optional<std::size_t> from;
    for (int press = 0; press < 3 && !from; ++press) {
        ASSERT_TRUE(inComponent("invokeShortcut", "switch default"));
        waitUntil([&] { return (from = activeSlot()).has_value(); }, 3s);
    }
    ASSERT_TRUE(from.has_value()) << "the desktop's shortcut made no game active";
    std::this_thread::sleep_for(500ms);
    from = activeSlot();
    ASSERT_TRUE(from.has_value());
    ASSERT_TRUE(inComponent("invokeShortcut", "switch default"));
    EXPECT_TRUE(waitUntil([&] { return activeSlot() == (*from + 1) % kGames; }))
        << "the desktop's shortcut did not switch to the next game";
    EXPECT_EQ(runner().errors().find("portal"), std::string::npos) << runner().errors();
}

INSTANTIATE_TEST_SUITE_P(Compositors, WaylandTest,
                         ::testing::Values(Compositor::mutter, Compositor::kwin, Compositor::sway,
                                           Compositor::weston),
                         [](const ::testing::TestParamInfo<Compositor>& param) {
                             return std::string(name(param.param));
                         });

}  // namespace
}  // namespace corvane::wltest
