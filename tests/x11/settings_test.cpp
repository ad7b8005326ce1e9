// Settings live in a JSON file under XDG_CONFIG_HOME and survive a restart;
// a damaged file never stops the program and is never destroyed.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

class SettingsTest : public X11ControllerTest {};

TEST_F(SettingsTest, settingsWrittenByOneRunAreReadByTheNext) {
    auto& first = startController();
    first.setLayout(Layout::stacked);
    first.setMainShare(0.6);
    first.setShowBorder(false);
    first.rename(1, "Healer");
    stopController();
    ASSERT_TRUE(std::filesystem::exists(settingsFile()));

    auto& second = startController();

    EXPECT_EQ(second.layout(), Layout::stacked);
    EXPECT_EQ(second.mainShare(), 0.6);
    EXPECT_FALSE(second.showBorder());
    ASSERT_GE(second.names().size(), 2U);
    EXPECT_EQ(second.names()[1], "Healer");
}

TEST_F(SettingsTest, anUnreadableSettingsFileIsKeptAsideAndTheProgramRuns) {
    const std::string damaged = "{\"layout\": \"stacked\", \"mainSh";
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile()) << damaged;
    const auto games = launchGames(2);

    auto& c = startController();
    EXPECT_EQ(c.layout(), Layout::mainPlusSide);
    EXPECT_EQ(pids(c.clients()), pids(games));
    c.setLayout(Layout::sideBySide);

    const auto expected = expectedFrames(Layout::sideBySide);
    EXPECT_TRUE(runUntil([&] { return outerFrames(games) == expected; }));
    EXPECT_NE(fileText(settingsFile()).find("sideBySide"), std::string::npos);
    int keptAside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(settingsFile().parent_path())) {
        if (entry.path() != settingsFile() && fileText(entry.path()) == damaged) ++keptAside;
    }
    EXPECT_EQ(keptAside, 1);
}

}  // namespace
}  // namespace corvane::x11test
