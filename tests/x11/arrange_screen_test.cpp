// The games on the monitor the player chose, on a server with two RandR monitors.
#include <gtest/gtest.h>

#include "expected_layout.h"
#include "program_test.h"

namespace corvane::x11test {
namespace {

constexpr platform::Rect kPrimary{0, 0, 1440, 900};
constexpr platform::Rect kSecond{1440, 0, 1440, 900};

class ArrangeScreenTest : public ProgramTest {
protected:
    [[nodiscard]] SessionOptions sessionOptions() const override {
        return {.width = 2880, .height = 900, .monitors = {kPrimary, kSecond}};
    }
    /// Side by side on `monitor`, which no panel of openbox's takes from.
    static std::vector<platform::Rect> sideBySideOn(const platform::Rect& monitor) {
        return x11test::expectedFrames(Layout::sideBySide, 2, 0, 0.72, monitor, monitor);
    }
};

TEST_F(ArrangeScreenTest, gamesGoToTheChosenMonitorAndToThePrimaryWhileItIsUnplugged) {
    writeSettings(R"({"layout": "sideBySide", "arrangeScreen": "TEST-1"})");
    const auto games = launchGames(2);
    auto program = startProgram();
    EXPECT_TRUE(waitUntil([&] { return outerFrames(games) == sideBySideOn(kSecond); })) << programErrors();

    x().removeMonitor("TEST-1");
    EXPECT_TRUE(waitUntil([&] { return outerFrames(games) == sideBySideOn(kPrimary); }));
    x().addMonitor("TEST-1", kSecond, false);
    EXPECT_TRUE(waitUntil([&] { return outerFrames(games) == sideBySideOn(kSecond); }));
    EXPECT_EQ(unexpectedErrors(), "");
}

}  // namespace
}  // namespace corvane::x11test
