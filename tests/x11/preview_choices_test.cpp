// What the player chose about the previews, seen on the screen.
#include <gtest/gtest.h>

#include "program_test.h"
#include "text_file.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;

class PreviewChoicesTest : public ProgramTest {
protected:
    /// Starts the program and closes its panel, which would cover the previews.
    ChildProcess startWithoutPanel() {
        auto program = startProgram();
        // Once Qt has done with its map, which would otherwise hand the panel the focus again later.
        const auto panel = panelInFront(program.pid());
        EXPECT_TRUE(panel);
        if (panel) closeInFront(program.pid(), *panel);
        return program;
    }
};

TEST_F(PreviewChoicesTest, hiddenWhileAnotherProgramIsInFrontAndBackWithAGame) {
    writeSettings(R"({"showPreview": true, "previewsWithGame": true})");
    const auto games = launchGames(2);
    auto& browser = launchGame({.number = 7, .position = "300,200", .wmClass = "Browser"});
    auto program = startWithoutPanel();
    x().activate(games[0]->window());
    ASSERT_TRUE(waitUntil([&] { return previewWindows().size() == 1; })) << programErrors();

    x().activate(browser.window());
    EXPECT_TRUE(waitUntil([&] { return previewWindows().empty(); }));
    x().activate(games[1]->window());
    EXPECT_TRUE(waitUntil([&] { return previewWindows().size() == 1; }));
    EXPECT_EQ(unexpectedErrors(), "");
}

TEST_F(PreviewChoicesTest, aLabelNamesThePreviewedGameOnABandInItsSlotColour) {
    writeSettings(R"({"showPreview": true, "previewLabels": true, "names": ["Tank", "Healer"]})");
    const std::vector<GameProcess*> games = {&launchGame({.number = 1, .color = "808080"}),
                                             &launchGame({.number = 2, .color = "808080"})};
    auto program = startWithoutPanel();
    x().activate(games[0]->window());
    std::optional<platform::Rect> frame;
    // The band runs along the top edge: blue, slot 1's colour, over the grey of the game's picture.
    EXPECT_TRUE(waitUntil([&] {
        const auto previews = previewWindows();
        if (previews.size() == 1) frame = x().clientRect(previews.front());
        return frame && x().pixelAt(static_cast<int>(frame->x + frame->width / 2),
                                    static_cast<int>(frame->y + 1)) == 0x007AFFU;
    })) << programErrors();
    saveScreenshot("corvane-preview-label.png");
    EXPECT_EQ(unexpectedErrors(), "");
}

TEST_F(PreviewChoicesTest, aPreviewRememberedOffScreenComesBackOnItAndStaysRemembered) {
    const std::string offScreen = R"("previewFrame.0": "{{5000, 24}, {420, 236}}")";
    writeSettings(R"({"showPreview": true, )" + offScreen + "}");
    launchGames(2);
    auto program = startWithoutPanel();
    std::optional<platform::Rect> frame;
    ASSERT_TRUE(waitUntil([&] {
        const auto previews = previewWindows();
        if (previews.size() == 1) frame = x().clientRect(previews.front());
        return frame && frame->width == 420;
    })) << programErrors();
    EXPECT_LE(frame->maxX(), 1440);
    EXPECT_GE(frame->x, 0);

    program.signalGroup(SIGTERM);
    EXPECT_EQ(program.waitForExit(5s), 0);
    EXPECT_NE(fileText(settingsFile()).find(offScreen), std::string::npos) << fileText(settingsFile());
}

}  // namespace
}  // namespace corvane::x11test
