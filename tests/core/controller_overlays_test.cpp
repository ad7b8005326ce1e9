#include <gtest/gtest.h>

#include "controller_fixture.h"
#include "controller_inspection.h"

namespace corvane::testing {
namespace {

using platform::Rect;

// The border ------------------------------------------------------------------

class BorderCoordination : public ControllerTest {
protected:
    sim::SimDesktop::BorderState& border() { return *desk.borders().front(); }
};

TEST_F(BorderCoordination, SurroundsTheFrontmostActiveWindowInItsSlotColour) {
    desk.setScreens({{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}}});
    addGame(1, 10);
    addGame(2, 20);
    addGame(3, 30, {100, 50, 800, 600});
    desk.defaults().set("layout", std::string("stacked"));
    start();
    desk.window(3).frame = {100, 50, 800, 600};
    controller->focusClient(WowClient{3});
    EXPECT_TRUE(border().visible());
    EXPECT_EQ(border().frame(), (Rect{96, 426, 808, 608}));
    EXPECT_EQ(ControllerInspection::border(*controller).frameView().color, system_color::kOrange);
    controller->focusClient(WowClient{1});
    EXPECT_EQ(ControllerInspection::border(*controller).frameView().color, system_color::kGreen);
    EXPECT_EQ(desk.borders().size(), 1U);  // the same window all along
}

TEST_F(BorderCoordination, HiddenWhileAnotherApplicationIsInFront) {
    addGame(1, 10);
    desk.addApp({"org.example.panel", 77, platform::Date{1}, false, false});
    desk.setFrontmost(1);
    start();
    EXPECT_TRUE(border().visible());
    desk.setFrontmost(77);
    tickOnce();
    EXPECT_FALSE(border().visible());
    EXPECT_EQ(controller->activePid(), 1);
    desk.setFrontmost(1);
    tickOnce();
    EXPECT_TRUE(border().visible());
}

TEST_F(BorderCoordination, HiddenWhenOffUnpermittedOrTheActiveClientQuit) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setFrontmost(2);
    start();
    ASSERT_TRUE(border().visible());
    controller->setShowBorder(false);
    EXPECT_FALSE(border().visible());
    tickOnce();
    EXPECT_FALSE(border().visible());
    controller->setShowBorder(true);
    EXPECT_TRUE(border().visible());
    desk.removeApp(2);
    tickOnce();
    EXPECT_FALSE(border().visible());
}

TEST_F(BorderCoordination, UnchangedFrameIsNotSetAgain) {
    addGame(1, 10);
    desk.setFrontmost(1);
    start();
    desk.calls().clear();
    tickOnce();
    tickOnce();
    EXPECT_EQ(desk.calls().count("border setFrame"), 0);
    EXPECT_EQ(desk.calls().count("border orderFront"), 0);
    EXPECT_EQ(desk.calls().count("border setNeedsDisplay"), 2);
    desk.window(1).frame.x += 5;  // the user moves the game window
    tickOnce();
    EXPECT_EQ(desk.calls().count("border setFrame"), 1);
}

// Previews --------------------------------------------------------------------

class PreviewCoordination : public ControllerTest {
protected:
    void SetUp() override { desk.defaults().set("showPreview", true); }

    std::vector<int> previewSlots() {
        std::vector<int> slots;
        for (const auto& [pid, preview] : ControllerInspection::previews(*controller))
            slots.push_back(preview->slot());
        return slots;
    }
    std::shared_ptr<LivePreview> preview(platform::Pid pid) {
        return ControllerInspection::previews(*controller).at(pid);
    }
    /// Lets every start and stop task finish.
    void settle() { desk.queue().runUntilIdle(); }
};

TEST_F(PreviewCoordination, NoBackgroundClientsNoPanels) {
    start();
    EXPECT_TRUE(ControllerInspection::previews(*controller).empty());
    addGame(1, 10);
    desk.setFrontmost(1);
    tickOnce();
    EXPECT_TRUE(ControllerInspection::previews(*controller).empty());
    EXPECT_TRUE(desk.panels().empty());
}

TEST_F(PreviewCoordination, EveryClientWithoutActiveAndOnlyTheOthersWithOne) {
    addGame(1, 10);
    addGame(2, 20);
    addGame(3, 30);
    start();
    EXPECT_EQ(previewSlots(), (std::vector<int>{0, 1, 2}));
    desk.setFrontmost(2);
    tickOnce();
    ASSERT_EQ(ControllerInspection::previews(*controller).size(), 2U);
    EXPECT_EQ(preview(1)->slot(), 0);
    EXPECT_EQ(preview(3)->slot(), 2);  // never renumbered
}

TEST_F(PreviewCoordination, SlotsAreNeverRenumberedAndANewPreviewTakesAFreeOne) {
    for (platform::Pid pid : {1, 2, 3, 4}) addGame(pid, pid);  // A, B, C, D
    desk.setFrontmost(1);
    start();
    EXPECT_EQ(preview(2)->slot(), 0);
    EXPECT_EQ(preview(3)->slot(), 1);
    EXPECT_EQ(preview(4)->slot(), 2);
    controller->focusClient(WowClient{3});
    EXPECT_EQ(preview(2)->slot(), 0);
    EXPECT_EQ(preview(4)->slot(), 2);
    // Its index in A, B, D is 0, which B holds: the lowest free slot instead.
    EXPECT_EQ(preview(1)->slot(), 1);
    EXPECT_FALSE(ControllerInspection::previews(*controller).contains(3));
    controller->focusClient(WowClient{2});  // B's slot 0 frees; C's index 1 is A's
    EXPECT_EQ(previewSlots(), (std::vector<int>{1, 0, 2}));
}

TEST_F(PreviewCoordination, RepeatedRunsStartNothingNew) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setFrontmost(1);
    start();
    settle();
    const auto streams = desk.streams().size();
    desk.calls().clear();
    tickOnce();
    tickOnce();
    EXPECT_EQ(desk.streams().size(), streams);
    EXPECT_EQ(desk.calls().count("createPanel"), 0);
    EXPECT_EQ(desk.calls().count("panel0 orderFront"), 2);
}

TEST_F(PreviewCoordination, SwitchingOffDiscardsEverythingAndClearsTheFlag) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setCaptureRefused(true);
    start();
    settle();
    tickOnce();
    EXPECT_TRUE(controller->previewNeedsPermission());
    controller->setShowPreview(false);
    EXPECT_TRUE(ControllerInspection::previews(*controller).empty());
    EXPECT_FALSE(controller->previewNeedsPermission());
    settle();
    EXPECT_TRUE(desk.panels().empty());  // released once their stop tasks ran
}

TEST_F(PreviewCoordination, HiddenWithTheirCapturesWhileNoGameIsInFrontWhereThePlayerAsks) {
    desk.defaults().set("previewsWithGame", true);
    addGame(1, 10);
    addGame(2, 20);
    desk.addApp({"org.example.browser", 50, platform::Date{1}, false, false});
    desk.setFrontmost(1);
    start();
    settle();
    ASSERT_EQ(previewSlots().size(), 1U);

    desk.setFrontmost(50);
    tickOnce();
    settle();
    EXPECT_TRUE(desk.panels().empty());
    for (const auto* stream : desk.streams()) EXPECT_TRUE(stream->stopped());

    desk.setFrontmost(2);
    tickOnce();
    EXPECT_TRUE(ControllerInspection::previews(*controller).contains(1));
}

TEST_F(PreviewCoordination, LabelsNameTheSlotInItsColourWhereThePlayerAsks) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setFrontmost(1);
    start();
    ASSERT_EQ(desk.panels().size(), 1U);
    EXPECT_EQ(desk.panels().front()->label(), std::nullopt);
    controller->rename(1, "Healer");
    controller->setPreviewLabels(true);
    EXPECT_EQ(desk.panels().front()->label(), (platform::PanelLabel{"Healer", Controller::slotColor(1)}));
    tickOnce();
    EXPECT_EQ(desk.calls().count("panel0 label Healer"), 1);  // sent once, not on every tick
    controller->setPreviewLabels(false);
    EXPECT_EQ(desk.panels().front()->label(), std::nullopt);
}

TEST_F(PreviewCoordination, FailedStartShowsOneRunLater) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setFrontmost(1);
    desk.setStartRefused(true);
    start();
    EXPECT_FALSE(controller->previewNeedsPermission());  // the start has not ended yet
    settle();
    EXPECT_FALSE(controller->previewNeedsPermission());
    tickOnce();
    EXPECT_TRUE(controller->previewNeedsPermission());
    desk.setStartRefused(false);
    tickOnce();  // this run starts again; the start succeeds after it
    tickOnce();
    EXPECT_FALSE(controller->previewNeedsPermission());
}

TEST_F(PreviewCoordination, BackgroundClientQuittingStopsItsPreview) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setFrontmost(1);
    start();
    settle();
    auto* stream = desk.streams().back();
    ASSERT_TRUE(stream->started());
    desk.removeApp(2);
    tickOnce();
    EXPECT_TRUE(ControllerInspection::previews(*controller).empty());
    EXPECT_TRUE(stream->stopped());
    EXPECT_TRUE(stream->destroyed());
    EXPECT_TRUE(desk.panels().empty());
}

TEST_F(PreviewCoordination, StreamStoppingByItselfRestartsOnTheNextTick) {
    addGame(1, 10);
    const auto w2 = addGame(2, 20);
    desk.setFrontmost(1);
    start();
    settle();
    desk.streams().back()->stopByItself();
    settle();
    EXPECT_FALSE(preview(2)->hasStream());
    const auto bigger = desk.addWindow(2, {0, 0, 1600, 1000});
    tickOnce();
    EXPECT_EQ(desk.streams().size(), 2U);
    EXPECT_EQ(desk.streams().back()->windowID(), bigger);
    EXPECT_NE(bigger, w2);
}

TEST_F(PreviewCoordination, ClickSwitchesOnlyWhenAllowed) {
    addGame(1, 10);
    addGame(2, 20);
    desk.defaults().set("layout", std::string("sideBySide"));
    desk.setFrontmost(1);
    start();
    settle();
    auto* panel = desk.panels().front();
    controller->setClickPreviewSwitches(false);
    panel->click(1);
    EXPECT_EQ(controller->activePid(), 1);

    controller->setClickPreviewSwitches(true);
    desk.calls().clear();
    panel->click(2);  // a double click's second release
    EXPECT_EQ(controller->activePid(), 1);
    panel->click(1);
    EXPECT_EQ(controller->activePid(), 2);
    EXPECT_EQ(desk.calls().count("raise w2"), 1);
    EXPECT_EQ(desk.calls().count("activate 2"), 1);
    EXPECT_EQ(desk.calls().count("setSize"), 0);  // not mainPlusSide: nothing moves
    // The clicked client lost its preview and the previous one got one.
    EXPECT_FALSE(ControllerInspection::previews(*controller).contains(2));
    EXPECT_TRUE(ControllerInspection::previews(*controller).contains(1));
    settle();
}

TEST_F(PreviewCoordination, WidthChangeResizesEveryPanelAndRemembersIt) {
    addGame(1, 10);
    addGame(2, 20);
    addGame(3, 30);
    desk.setFrontmost(1);
    start();
    settle();
    controller->setPreviewWidth(240);
    for (auto* panel : desk.panels()) {
        EXPECT_EQ(panel->frame().width, 240);
        EXPECT_EQ(panel->frame().height, 135);
        EXPECT_EQ(panel->frame().x, 1440 - 420 - 24);  // the bottom-left corner stays
    }
    EXPECT_TRUE(desk.defaultsContents().contains("previewFrame.0"));
    EXPECT_TRUE(desk.defaultsContents().contains("previewFrame.1"));
}

TEST_F(PreviewCoordination, ClickAfterTheControllerIsGoneIsIgnored) {
    addGame(1, 10);
    addGame(2, 20);
    desk.setFrontmost(1);
    start();
    settle();
    auto kept = preview(2);  // e.g. a stop task still holds it
    controller.reset();
    desk.calls().clear();
    kept->surfaceView().mouseUp(1);
    EXPECT_EQ(desk.calls().count("activate"), 0);
}

}  // namespace
}  // namespace corvane::testing
