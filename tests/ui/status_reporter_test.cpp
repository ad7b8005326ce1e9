// What the program says on stderr about its state, as a user at the terminal reads it.
#include "corvane/shell/status_reporter.h"

#include <gtest/gtest.h>

#include "corvane/controller/controller.h"
#include "platform/sim/sim_desktop.h"

namespace corvane {
namespace {

using platform::modifier::kControl;

TEST(StatusReporter, EachNewProblemIsSaidOnceInThePanelsWordsAndAllWellIsSilent) {
    sim::SimDesktop desk;
    desk.takeHotKey(107, 0);        // F14
    desk.takeHotKey(20, kControl);  // Control + 3
    const auto controller = Controller::create(desk.platform());
    const platform::PlatformTexts texts;
    std::vector<std::string> lines;
    const StatusReporter reporter(controller, texts, desk.queue(), false,
                                  [&](const std::string& line) { lines.push_back(line); });
    const auto settle = [&] {
        while (desk.queue().runOne()) {
        }
    };
    settle();
    EXPECT_EQ(lines, std::vector<std::string>{});

    controller->setHotkeyID("f14");
    settle();
    controller->setJumpStyle(HotkeyManager::JumpStyle::controlNumbers);
    settle();
    controller->setLayout(Layout::stacked);
    settle();

    ASSERT_EQ(lines.size(), 2U) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "corvane: the switch key F14: " + texts.hotkeyTaken);
    EXPECT_TRUE(lines[1].starts_with("corvane: the jump keys ")) << lines[1];
    EXPECT_TRUE(lines[1].ends_with(texts.jumpKeysTaken)) << lines[1];
}

}  // namespace
}  // namespace corvane
