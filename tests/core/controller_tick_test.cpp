#include <gtest/gtest.h>

#include "controller_fixture.h"

namespace corvane::testing {
namespace {

using platform::Rect;

TEST_F(ControllerTest, FirstTickListsAndArrangesRunningGames) {
    const auto w1 = addGame(1, 10);
    const auto w2 = addGame(2, 20);
    desk.calls().clear();
    start();
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{1, 2}));
    // 1440x900 screen, 25-point menu bar: the area starts at y 25.
    EXPECT_EQ(desk.window(w1).frame, (Rect{0, 25, 1037, 875}));
    EXPECT_EQ(desk.window(w2).frame, (Rect{1037, 25, 403, 245}));
}

TEST_F(ControllerTest, ArrangingExampleWithTheSecondSlotActive) {
    const auto w1 = addGame(1, 10);
    const auto w2 = addGame(2, 20);
    desk.setFrontmost(2);
    desk.calls().clear();
    start();
    EXPECT_EQ(controller->activePid(), 2);
    EXPECT_EQ(desk.window(w1).frame, (Rect{1037, 25, 403, 245}));
    EXPECT_EQ(desk.window(w2).frame, (Rect{0, 25, 1037, 875}));
}

TEST_F(ControllerTest, NoGameRunningOnlyRefreshesTheFlagAndOverlays) {
    start();
    desk.calls().clear();
    int changes = 0;
    controller->observe([&](Controller::Property p) {
        if (p == Controller::Property::clients || p == Controller::Property::activePid) ++changes;
    });
    tickOnce();
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(controller->clients().empty());
    EXPECT_EQ(desk.calls().count("setPosition"), 0);
    EXPECT_EQ(desk.calls().count("border orderOut"), 1);  // the border is still brought up to date
}

TEST_F(ControllerTest, ListChangesArrangeOnlyWhenTheListGrows) {
    addGame(1, 10);
    start();
    struct Step {
        const char* what;
        std::function<void()> change;
        int expectedSizeWrites;
    };
    const std::vector<Step> steps = {
        {"second client starts", [&] { addGame(2, 20); }, 2},
        {"nothing changes", [] {}, 0},
        {"one quits, another starts",
         [&] {
             desk.removeApp(2);
             addGame(3, 30);
         },
         0},
        {"one quits", [&] { desk.removeApp(3); }, 0},
    };
    for (const auto& step : steps) {
        step.change();
        desk.calls().clear();
        tickOnce();
        EXPECT_EQ(desk.calls().count("setSize"), step.expectedSizeWrites) << step.what;
    }
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{1}));
}

TEST_F(ControllerTest, ActiveClientQuittingClearsActivePid) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setFrontmost(2);
    start();
    ASSERT_EQ(controller->activePid(), 2);
    desk.removeApp(2);
    addGame(3, 30);  // same count, other pids
    tickOnce();
    EXPECT_EQ(controller->activePid(), std::nullopt);
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{1, 3}));
}

TEST_F(ControllerTest, FrontmostGameBecomesActiveAndArrangesOnlyInMainPlusSide) {
    for (Layout layout : layout::kAllCases) {
        sim::SimDesktop fresh;
        fresh.addGame(1, 10);
        fresh.addWindow(1, {0, 0, 100, 100});
        fresh.addGame(2, 20);
        fresh.addWindow(2, {0, 0, 100, 100});
        fresh.defaults().set("layout", std::string(layout::rawValue(layout)));
        auto c = Controller::create(fresh.platform());
        fresh.setFrontmost(2);
        fresh.calls().clear();
        fresh.queue().advance(Controller::kTickInterval);
        EXPECT_EQ(c->activePid(), 2);
        EXPECT_EQ(fresh.calls().count("setSize"), layout == Layout::mainPlusSide ? 2 : 0)
            << layout::rawValue(layout);
        fresh.calls().clear();
        fresh.queue().advance(Controller::kTickInterval);  // same game stays in front
        EXPECT_EQ(fresh.calls().count("setSize"), 0);
    }
}

TEST_F(ControllerTest, OtherApplicationInFrontKeepsTheLastGame) {
    addGame(1, 10);
    addGame(2, 20);
    desk.addApp({"org.example.editor", 50, platform::Date{1}, false, false});
    desk.setFrontmost(2);
    start();
    desk.setFrontmost(50);
    tickOnce();
    EXPECT_EQ(controller->activePid(), 2);
    EXPECT_EQ(controller->backgroundClients(), (std::vector<WowClient>{{1}}));
    EXPECT_FALSE(desk.borders().front()->visible());
}

TEST_F(ControllerTest, EarlierClientQuittingShiftsNameAndColour) {
    addGame(1, 10);
    addGame(2, 20);
    start();
    controller->rename(1, "Healer");
    EXPECT_EQ(controller->name(WowClient{2}), "Healer");
    EXPECT_EQ(controller->color(WowClient{2}), system_color::kBlue);
    desk.removeApp(1);
    tickOnce();
    EXPECT_EQ(controller->name(WowClient{2}), "Window 1");
    EXPECT_EQ(controller->color(WowClient{2}), system_color::kGreen);
}

TEST_F(ControllerTest, BackgroundClientsLeaveOutTheActiveOne) {
    addGame(1, 10);
    addGame(2, 20);
    addGame(3, 30);
    start();
    EXPECT_EQ(controller->backgroundClients().size(), 3U);
    desk.setFrontmost(2);
    tickOnce();
    EXPECT_EQ(controller->backgroundClients(), (std::vector<WowClient>{{1}, {3}}));
}

TEST_F(ControllerTest, ArrangingSkipsWindowlessClientsButKeepsTheirPlace) {
    const auto w1 = addGame(1, 10);
    desk.addGame(2, 20);
    const auto w3 = addGame(3, 30);
    desk.defaults().set("layout", std::string("sideBySide"));
    start();
    EXPECT_EQ(desk.window(w1).frame, (Rect{0, 25, 480, 875}));
    EXPECT_EQ(desk.window(w3).frame, (Rect{960, 25, 480, 875}));
}

TEST_F(ControllerTest, ArrangingMovesWindowsFromASecondScreenAndAlwaysWritesAllThree) {
    desk.setScreens({{{0, 0, 1440, 900}, {0, 0, 1440, 875}}, {{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}}});
    const auto w = addGame(1, 10, {2000, 100, 800, 600});
    start();
    EXPECT_EQ(desk.window(w).frame, (Rect{0, 25, 1440, 875}));
    desk.calls().clear();
    controller->applyLayout();  // already in place: still position, size, position
    EXPECT_EQ(writes(), (std::vector<std::string>{"setPosition w1 0,25", "setSize w1 1440,875",
                                                  "setPosition w1 0,25"}));
}

TEST_F(ControllerTest, ArrangingOnTheChosenMonitorAndOnThePrimaryWhileItIsGone) {
    const platform::Screen primary{{0, 0, 1440, 900}, {0, 0, 1440, 875}, "DP-1"};
    const platform::Screen second{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}, "HDMI-1"};
    desk.setScreens({primary, second});
    desk.defaults().set("arrangeScreen", std::string("HDMI-1"));
    const auto w = addGame(1, 10);
    start();
    EXPECT_EQ(controller->screenNames(), (std::vector<std::string>{"DP-1", "HDMI-1"}));
    // Window space: y down from the primary's top, so the taller monitor starts at -180.
    EXPECT_EQ(desk.window(w).frame, (Rect{1440, -180, 1920, 1080}));

    desk.setScreens({primary});
    tickOnce();
    EXPECT_EQ(desk.window(w).frame, (Rect{0, 25, 1440, 875}));
    desk.setScreens({primary, second});
    tickOnce();
    EXPECT_EQ(desk.window(w).frame, (Rect{1440, -180, 1920, 1080}));

    controller->setArrangeScreen("");
    EXPECT_EQ(desk.window(w).frame, (Rect{0, 25, 1440, 875}));
}

TEST_F(ControllerTest, ArrangingDoesNothingWithoutPermissionOrScreen) {
    addGame(1, 10);
    desk.setTrusted(false);
    start();
    desk.calls().clear();
    controller->applyLayout();
    EXPECT_TRUE(desk.calls().entries().empty());  // not even the border

    desk.setTrusted(true);
    tickOnce();
    desk.setScreens({});
    desk.calls().clear();
    controller->applyLayout();
    EXPECT_EQ(desk.calls().entries(), (std::vector<std::string>{"screens"}));
}

TEST_F(ControllerTest, ArrangingPutsSlotZeroInTheMainAreaWhenNoneIsActive) {
    const auto w1 = addGame(1, 10);
    const auto w2 = addGame(2, 20);
    start();
    ASSERT_EQ(controller->activePid(), std::nullopt);
    EXPECT_EQ(desk.window(w1).frame.width, 1037);
    EXPECT_EQ(desk.window(w2).frame.width, 403);
}

// Focus ----------------------------------------------------------------------

TEST_F(ControllerTest, SwitchToNextWalksTheSlotsAndWraps) {
    addGame(1, 10);
    addGame(2, 20);
    addGame(3, 30);
    desk.setFrontmost(2);
    start();
    controller->switchToNext();
    EXPECT_EQ(controller->activePid(), 3);
    controller->switchToNext();
    EXPECT_EQ(controller->activePid(), 1);
    EXPECT_EQ(desk.frontmost(), 1);
}

TEST_F(ControllerTest, SwitchToNextWithoutActiveStartsAtSlotZero) {
    addGame(1, 10);
    addGame(2, 20);
    start();
    controller->switchToNext();
    EXPECT_EQ(controller->activePid(), 1);
}

TEST_F(ControllerTest, SwitchWithOneActiveClientFocusesItAgain) {
    addGame(1, 10);
    desk.setFrontmost(1);
    start();
    desk.calls().clear();
    controller->switchToNext();
    EXPECT_EQ(controller->activePid(), 1);
    EXPECT_EQ(desk.calls().count("setSize"), 1);
    EXPECT_EQ(desk.calls().count("raise"), 1);
    EXPECT_EQ(desk.calls().count("activate 1"), 1);
}

TEST_F(ControllerTest, NoClientsNoFocus) {
    start();
    desk.calls().clear();
    controller->switchToNext();
    controller->focusSlot(0);
    EXPECT_TRUE(desk.calls().entries().empty());
}

TEST_F(ControllerTest, FocusSlotIgnoresEmptySlots) {
    addGame(1, 10);
    addGame(2, 20);
    start();
    controller->focusSlot(4);
    EXPECT_EQ(controller->activePid(), std::nullopt);
    controller->focusSlot(1);
    EXPECT_EQ(controller->activePid(), 2);
}

TEST_F(ControllerTest, FocusOrderArrangeRaiseActivateThenBorder) {
    addGame(1, 10);
    addGame(2, 20);
    start();
    desk.calls().clear();
    controller->focusClient(WowClient{2});
    const auto& log = desk.calls();
    const int lastWrite = log.indexOf("setPosition w2 0,25", log.indexOf("setSize w2 1037,875"));
    const int raise = log.indexOf("raise w2");
    const int activate = log.indexOf("activate 2");
    ASSERT_GE(lastWrite, 0);
    EXPECT_LT(lastWrite, raise);
    EXPECT_LT(raise, activate);
    EXPECT_LT(activate, log.indexOf("border orderFront", activate));
}

TEST_F(ControllerTest, StackedFocusNeverArranges) {
    addGame(1, 10);
    addGame(2, 20);
    desk.defaults().set("layout", std::string("stacked"));
    start();
    desk.calls().clear();
    controller->focusClient(WowClient{2});
    controller->switchToNext();
    EXPECT_EQ(desk.calls().count("setSize"), 0);
    EXPECT_EQ(desk.calls().count("raise"), 2);
}

TEST_F(ControllerTest, FocusWithoutWindowStillActivates) {
    desk.addGame(1, 10);  // no window yet
    desk.addGame(2, 20);
    start();
    desk.calls().clear();
    controller->focusClient(WowClient{1});
    EXPECT_EQ(controller->activePid(), 1);
    EXPECT_EQ(desk.calls().count("raise"), 0);
    EXPECT_EQ(desk.calls().count("activate 1"), 1);
    EXPECT_EQ(desk.frontmost(), 1);
}

TEST_F(ControllerTest, FocusedGameInFrontIsNotReassignedByTheNextTick) {
    addGame(1, 10);
    addGame(2, 20);
    start();
    controller->focusClient(WowClient{2});
    desk.calls().clear();
    int activeChanges = 0;
    controller->observe(
        [&](Controller::Property p) { activeChanges += p == Controller::Property::activePid; });
    tickOnce();
    EXPECT_EQ(activeChanges, 0);
    EXPECT_EQ(desk.calls().count("setSize"), 0);
}

}  // namespace
}  // namespace corvane::testing
