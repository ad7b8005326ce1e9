// Games are found however the player launched them: under Proton, whose
// windows all carry a class of Steam's, and in sandboxes, whose _NET_WM_PID
// names no process of this host; and a window is a game's only when it is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "program_test.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;

constexpr xcb_keysym_t kGrave = 0x60;

class LaunchKindsTest : public ProgramTest {
protected:
    static bool canMakePidNamespaces() {
        return std::system("unshare --pid --fork --mount-proc true >/dev/null 2>&1") == 0;
    }

    static std::string hex(xcb_window_t window) {
        std::ostringstream text;
        text << "0x" << std::hex << window;
        return text.str();
    }
};

TEST_F(LaunchKindsTest, aProtonGameIsFoundByItsProcessNameAndAnotherProtonWindowIsNotAndCheckSaysWhy) {
    auto& game = launchGame({.number = 1, .wmClass = "steam_app_0", .processName = "Wow.exe"});
    auto& other = launchGame({.number = 2, .position = "700,400", .wmClass = "steam_app_0"});
    const auto otherFrame = x().outerFrame(other.window());

    const auto check = runCheck();
    EXPECT_NE(check.report.find("  ok  1 game running now"), std::string::npos) << check.report;
    EXPECT_NE(check.report.find("  ok  game pid " + std::to_string(game.pid()) + " in window " +
                                hex(game.window()) + ", recognised by its process name Wow.exe"),
              std::string::npos)
        << check.report;
    EXPECT_NE(check.report.find("  --  window " + hex(other.window()) +
                                " \"World of Warcraft\" is not taken as a game: its process (pid " +
                                std::to_string(other.pid()) +
                                ", \"fake-game\") is none of the game's executables, and its class "
                                "steam_app_0 alone says nothing (every Proton game has one)"),
              std::string::npos)
        << check.report;

    auto program = startProgram();
    EXPECT_TRUE(waitForLayout({&game}, Layout::mainPlusSide));
    EXPECT_EQ(x().outerFrame(other.window()), otherFrame);
    program.signalGroup(SIGTERM);
    EXPECT_EQ(program.waitForExit(5s), 0);
}

TEST_F(LaunchKindsTest, twoSandboxedGamesThatClaimOnePidAreTwoGamesInLaunchOrderAndTheSwitchKeyVisitsEach) {
    if (!canMakePidNamespaces()) GTEST_SKIP() << "this machine refuses PID namespaces (unshare --pid)";
    writeSettings(R"({"layout": "sideBySide"})");
    auto& first = launchGame({.number = 1, .color = "34C759", .ownPidNamespace = true});
    auto& second = launchGame({.number = 2, .color = "007AFF", .ownPidNamespace = true});
    ASSERT_EQ(x().pid(first.window()), x().pid(second.window()));  // both say 1

    auto program = startProgram();
    EXPECT_TRUE(waitUntil([&] {
        return outerFrames({&first, &second}) == expectedFrames(Layout::sideBySide, 2, 0, 0.72);
    }));
    ASSERT_TRUE(panelInFront(program.pid()));
    std::vector<xcb_window_t> visited;
    for (int press = 0; press < 2; ++press) {
        const auto before = x().activeWindow();
        x().typeKey(kGrave);
        ASSERT_TRUE(waitUntil([&] {
            const auto active = x().activeWindow();
            return active != before && (active == first.window() || active == second.window());
        }));
        visited.push_back(*x().activeWindow());
    }
    std::sort(visited.begin(), visited.end());
    auto both = std::vector{first.window(), second.window()};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(visited, both);
    program.signalGroup(SIGTERM);
    EXPECT_EQ(program.waitForExit(5s), 0);
}

TEST_F(LaunchKindsTest, aWindowOfAnotherProgramThatClaimsTheGamesPidIsNeverMovedNorActivated) {
    auto& game = launchGame({.number = 1});
    // Larger than the game: taken for the game's, it would be its main window.
    auto& impostor = launchGame({.number = 9,
                                 .size = "1000x700",
                                 .position = "600,300",
                                 .wmClass = "Impostor",
                                 .claimedPid = static_cast<std::uint32_t>(game.pid())});
    const auto impostorFrame = x().outerFrame(impostor.window());

    auto program = startProgram();
    EXPECT_TRUE(waitForLayout({&game}, Layout::mainPlusSide));
    ASSERT_TRUE(panelInFront(program.pid()));
    x().typeKey(kGrave);
    EXPECT_TRUE(waitUntil([&] { return x().activeWindow() == game.window(); }));
    EXPECT_EQ(x().outerFrame(impostor.window()), impostorFrame);
    program.signalGroup(SIGTERM);
    EXPECT_EQ(program.waitForExit(5s), 0);
}

}  // namespace
}  // namespace corvane::x11test
