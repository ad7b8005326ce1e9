#include "corvane/overlays/live_preview.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "corvane/clients/rect_string.h"
#include "platform/sim/sim_desktop.h"
#include "print_helpers.h"

namespace corvane {
namespace {

using platform::Rect;
using sim::SimDesktop;

using testing::caseName;
using testing::PrintTo;

constexpr platform::Pid kGamePid = 42;
constexpr platform::Pid kOtherPid = 99;
const platform::Screen kPlainScreen{{0, 0, 1440, 900}, {0, 0, 1440, 900}};

class PreviewFixture {
protected:
    SimDesktop desk;
    WowClient game{kGamePid};

    std::shared_ptr<LivePreview> make(int slot = 0) {
        auto p = desk.platform();
        return LivePreview::create(slot, {p.windows, p.capture, p.defaults, p.screens, p.mainQueue});
    }
    void run() { desk.queue().runUntilIdle(); }
    /// Lets every held and queued completion happen.
    void drain() {
        run();
        while (desk.heldCompletions() > 0) {
            desk.releaseCompletion();
            run();
        }
    }
    SimDesktop::PanelState& panel() { return *desk.panels().at(0); }
    std::optional<Rect> stored(const std::string& key) {
        const auto text = desk.defaults().string(key);
        return text ? std::optional(rectFromString(*text)) : std::nullopt;
    }
    int contentRequests() { return desk.calls().count("getShareableContent"); }
};

// Panel ---------------------------------------------------------------------

struct PlacementCase {
    const char* name;
    int slot;
    double width;
    std::optional<platform::Screen> mainScreen;  ///< nullopt: no screen at all
    Rect expected;
};

class PreviewPlacement : public PreviewFixture, public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PreviewPlacement, NewPanelsStackUpFromTheMainScreensBottomRight) {
    const auto& c = GetParam();
    if (c.mainScreen) {
        desk.setScreens({kPlainScreen, *c.mainScreen});
        desk.setMainScreen(c.mainScreen);
    } else {
        desk.setScreens({});
    }
    auto preview = make(c.slot);
    preview->ensurePanel(c.width);

    EXPECT_EQ(panel().frame(), c.expected);
    EXPECT_TRUE(panel().visible());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreviewPlacement,
    ::testing::Values(PlacementCase{"Slot0", 0, 420, kPlainScreen, {996, 24, 420, 236}},
                      PlacementCase{"Slot1", 1, 420, kPlainScreen, {996, 272, 420, 236}},
                      PlacementCase{"Slot2", 2, 420, kPlainScreen, {996, 520, 420, 236}},
                      PlacementCase{"HalfPointHeightRoundsUp", 0, 200, kPlainScreen, {1216, 24, 200, 113}},
                      PlacementCase{"MainScreenIsNotThePrimary",
                                    1,
                                    420,
                                    platform::Screen{{1440, 0, 1920, 1080}, {1440, 100, 1920, 980}},
                                    {2916, 372, 420, 236}},
                      PlacementCase{"NoScreen", 1, 420, std::nullopt, {996, 272, 420, 236}}),
    caseName);

struct RememberedCase {
    const char* name;
    int slot;
    platform::DefaultsValue stored;
    Rect expected;
};

class RememberedFrame : public PreviewFixture, public ::testing::TestWithParam<RememberedCase> {};

TEST_P(RememberedFrame, OpensWhereTheSlotWasLeftUnlessThatIsImplausible) {
    const auto& c = GetParam();
    desk.setScreens({kPlainScreen});
    desk.defaults().set("previewFrame.0", c.stored);
    auto preview = make(c.slot);
    preview->ensurePanel(420);

    EXPECT_EQ(panel().frame(), c.expected);
    EXPECT_EQ(desk.defaults().object("previewFrame.0"), c.stored);  // kept for the monitor's return
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RememberedFrame,
    ::testing::Values(RememberedCase{"KeepsItsOwnSize", 0, "{{5, 6}, {300, 169}}", {5, 6, 300, 169}},
                      RememberedCase{"JustWiderThan80", 0, "{{10, 20}, {80.5, 45}}", {10, 20, 80.5, 45}},
                      RememberedCase{"Width80Ignored", 0, "{{10, 20}, {80, 45}}", {996, 24, 420, 236}},
                      RememberedCase{"NotARectangle", 0, "nonsense", {996, 24, 420, 236}},
                      RememberedCase{"NotAString", 0, true, {996, 24, 420, 236}},
                      RememberedCase{"OtherSlotsFrame", 1, "{{5, 6}, {300, 169}}", {996, 272, 420, 236}},
                      RememberedCase{"HalfOnAScreen", 0, "{{1230, 6}, {420, 236}}", {1230, 6, 420, 236}},
                      RememberedCase{
                          "LessThanHalfOnAnyScreen", 0, "{{5000, 6}, {420, 236}}", {996, 24, 420, 236}}),
    caseName);

struct ResizeCase {
    const char* name;
    double aspect;
    double width;
    double expectedHeight;
};

class PreviewResize : public PreviewFixture, public ::testing::TestWithParam<ResizeCase> {};

TEST_P(PreviewResize, FollowsTheCapturedAspectKeepsTheCornerAndIsRemembered) {
    const auto& c = GetParam();
    desk.defaults().set("previewFrame.1", std::string("{{30, 40}, {200, 113}}"));
    auto preview = make(1);
    preview->ensurePanel(420);
    preview->surfaceView().aspect = c.aspect;

    preview->resize(c.width);

    const Rect expected{30, 40, c.width, c.expectedHeight};
    EXPECT_EQ(panel().frame(), expected);
    EXPECT_EQ(stored("previewFrame.1"), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PreviewResize,
                         ::testing::Values(ResizeCase{"Wide", 16.0 / 9.0, 420, 236},
                                           ResizeCase{"FourByThree", 4.0 / 3.0, 420, 315},
                                           ResizeCase{"HalfPointRoundsUp", 16.0 / 9.0, 200, 113}),
                         caseName);

class PreviewPanelTest : public PreviewFixture, public ::testing::Test {};

TEST_F(PreviewPanelTest, ResizeWithoutPanelDoesNothing) {
    auto preview = make();
    preview->resize(300);
    EXPECT_TRUE(desk.panels().empty());
    EXPECT_FALSE(stored("previewFrame.0"));
}

TEST_F(PreviewPanelTest, SecondEnsureBringsToFrontButKeepsTheSize) {
    auto preview = make();
    preview->ensurePanel(420);
    preview->ensurePanel(200);

    EXPECT_EQ(desk.panels().size(), 1U);
    EXPECT_EQ(panel().frame().width, 420);
    EXPECT_EQ(desk.calls().count("panel0 orderFront"), 2);
}

TEST_F(PreviewPanelTest, APanelTheScreensLeftComesBackToItsStackButItsFrameStaysRemembered) {
    desk.setScreens({kPlainScreen, {{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}}});
    auto preview = make();
    preview->ensurePanel(420);
    panel().drag(1500, 100);
    const auto remembered = desk.defaults().object("previewFrame.0");
    preview->keepOnScreen(desk.platform().screens.screens());
    ASSERT_EQ(panel().frame(), (Rect{2496, 124, 420, 236}));

    desk.setScreens({kPlainScreen});  // the second monitor is unplugged
    preview->keepOnScreen(desk.platform().screens.screens());
    EXPECT_EQ(panel().frame(), (Rect{996, 24, 420, 236}));
    EXPECT_EQ(desk.defaults().object("previewFrame.0"), remembered);
}

TEST_F(PreviewPanelTest, EveryDragStepRemembersTheFrame) {
    auto preview = make();
    preview->ensurePanel(420);
    panel().drag(-100, 50);
    EXPECT_EQ(stored("previewFrame.0"), panel().frame());
    panel().drag(-10, 5);
    EXPECT_EQ(stored("previewFrame.0"), panel().frame());
    EXPECT_EQ(desk.calls().count("defaults set previewFrame.0"), 2);
}

class PreviewClicks : public PreviewFixture, public ::testing::TestWithParam<int> {};

TEST_P(PreviewClicks, OnlyASingleClickRunsTheAction) {
    const int clickCount = GetParam();
    auto preview = make();
    int runs = 0;
    preview->onClick = [&runs] { ++runs; };
    preview->ensurePanel(420);

    panel().click(clickCount);

    EXPECT_EQ(runs, clickCount == 1 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(ClickCounts, PreviewClicks, ::testing::Values(0, 1, 2, 3));

TEST_F(PreviewPanelTest, ClickWithoutActionIsHarmless) {
    auto preview = make();
    preview->ensurePanel(420);
    panel().click(1);
}

// Choosing the window --------------------------------------------------------

struct WindowSpec {
    platform::Pid pid;
    Rect frame;
    bool onScreen = true;
};

struct ChoiceCase {
    const char* name;
    std::vector<WindowSpec> windows;
    int chosen;  ///< index into `windows`, -1 for none
};

class WindowChoice : public PreviewFixture, public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(WindowChoice, CapturesTheLargestOnScreenWindowWiderThan200) {
    const auto& c = GetParam();
    std::vector<platform::WindowRef> refs;
    for (const auto& w : c.windows) {
        refs.push_back(desk.addWindow(w.pid, w.frame));
        desk.window(refs.back()).onScreen = w.onScreen;
    }
    auto preview = make();

    preview->show(game, 420);
    run();

    EXPECT_FALSE(preview->restarting());
    EXPECT_FALSE(preview->needsPermission());
    if (c.chosen < 0) {
        EXPECT_TRUE(desk.streams().empty());
        EXPECT_FALSE(preview->hasStream());
        EXPECT_FALSE(preview->streamedPID());
        return;
    }
    ASSERT_EQ(desk.streams().size(), 1U);
    const auto chosenID = static_cast<platform::CaptureWindowID>(refs.at(static_cast<std::size_t>(c.chosen)));
    EXPECT_EQ(desk.streams()[0]->windowID(), chosenID);
    EXPECT_TRUE(desk.streams()[0]->started());
    EXPECT_TRUE(preview->hasStream());
    EXPECT_EQ(preview->streamedWindowID(), chosenID);
    EXPECT_EQ(preview->streamedPID(), kGamePid);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowChoice,
    ::testing::Values(
        ChoiceCase{"LargerLaterWindow", {{kGamePid, {0, 0, 300, 200}}, {kGamePid, {0, 0, 1280, 720}}}, 1},
        ChoiceCase{"EqualAreasFirstListed", {{kGamePid, {0, 0, 800, 600}}, {kGamePid, {0, 0, 600, 800}}}, 0},
        ChoiceCase{"TallButNarrowIgnored", {{kGamePid, {0, 0, 200, 5000}}, {kGamePid, {0, 0, 201, 10}}}, 1},
        ChoiceCase{
            "OtherClientsWindowIgnored", {{kOtherPid, {0, 0, 1920, 1080}}, {kGamePid, {0, 0, 300, 200}}}, 1},
        ChoiceCase{
            "OffScreenIgnored", {{kGamePid, {0, 0, 1920, 1080}, false}, {kGamePid, {0, 0, 300, 200}}}, 1},
        ChoiceCase{"OnlyNarrow", {{kGamePid, {0, 0, 200, 1000}}}, -1},
        ChoiceCase{"OnlyOffScreen", {{kGamePid, {0, 0, 1280, 720}, false}}, -1},
        ChoiceCase{"OnlyOtherClient", {{kOtherPid, {0, 0, 1280, 720}}}, -1}, ChoiceCase{"NoWindows", {}, -1}),
    caseName);

class PreviewCaptureTest : public PreviewFixture, public ::testing::Test {
protected:
    platform::WindowRef gameWindow = desk.addWindow(kGamePid, {0, 0, 1280, 720});
    std::shared_ptr<LivePreview> preview = make();

    void showAndRun() {
        preview->show(game, 420);
        run();
    }
};

TEST_F(PreviewCaptureTest, StreamIsConfiguredInWholePointsAt15FramesPerSecond) {
    desk.window(gameWindow).frame = {0, 0, 1280.7, 720.4};
    showAndRun();

    ASSERT_EQ(desk.streams().size(), 1U);
    platform::StreamConfiguration expected;
    expected.width = 1280;
    expected.height = 720;
    expected.minimumFrameInterval = 1.0 / 15.0;
    expected.showsCursor = false;
    expected.queueDepth = 3;
    expected.pixelFormat = platform::kPixelFormatBGRA;
    EXPECT_EQ(desk.streams()[0]->configuration(), expected);
    EXPECT_EQ(desk.calls().count("getShareableContent false true"), 1);
}

TEST_F(PreviewCaptureTest, QuickSecondShowLaunchesNoSecondStart) {
    desk.setHoldCompletions(true);
    preview->show(game, 420);
    preview->show(game, 420);
    preview->show(WowClient{kOtherPid}, 420);  // one start at a time, whatever the client
    run();
    preview->show(game, 420);
    drain();
    preview->show(game, 420);
    run();

    EXPECT_EQ(contentRequests(), 1);
    EXPECT_EQ(desk.streams().size(), 1U);
    EXPECT_TRUE(preview->hasStream());
}

enum class Refusal { content, output, start };

struct RefusalCase {
    const char* name;
    Refusal refusal;
    std::size_t streamsMade;
};

class StartRefused : public PreviewFixture, public ::testing::TestWithParam<RefusalCase> {
protected:
    void refuse(Refusal refusal, bool refused) {
        switch (refusal) {
            case Refusal::content:
                desk.setCaptureRefused(refused);
                break;
            case Refusal::output:
                desk.setOutputRefused(refused);
                break;
            case Refusal::start:
                desk.setStartRefused(refused);
                break;
        }
    }
};

TEST_P(StartRefused, CountsAsMissingPermissionAndIsRetriedOnEveryShow) {
    const auto& c = GetParam();
    desk.addWindow(kGamePid, {0, 0, 1280, 720});
    auto preview = make();
    refuse(c.refusal, true);

    for (int attempt = 1; attempt <= 2; ++attempt) {
        preview->show(game, 420);
        run();
        EXPECT_EQ(contentRequests(), attempt);
        EXPECT_TRUE(preview->needsPermission());
        EXPECT_FALSE(preview->streamedPID());
        EXPECT_FALSE(preview->restarting());
        EXPECT_FALSE(preview->hasStream());
    }
    EXPECT_EQ(desk.streams().size(), c.streamsMade);
    for (auto* stream : desk.streams()) EXPECT_TRUE(stream->destroyed());

    refuse(c.refusal, false);
    preview->show(game, 420);
    run();
    EXPECT_TRUE(preview->hasStream());
    EXPECT_FALSE(preview->needsPermission());
}

INSTANTIATE_TEST_SUITE_P(Cases, StartRefused,
                         ::testing::Values(RefusalCase{"ContentRefused", Refusal::content, 0},
                                           RefusalCase{"OutputRefused", Refusal::output, 2},
                                           RefusalCase{"StartRefused", Refusal::start, 2}),
                         caseName);

TEST_F(PreviewCaptureTest, GameWithoutWindowIsAskedAgainAtMostOnceASecond) {
    desk.removeWindow(gameWindow);
    desk.setCaptureRefused(true);
    showAndRun();  // a refusal first: the permission flag must survive what follows
    desk.setCaptureRefused(false);
    showAndRun();
    ASSERT_EQ(contentRequests(), 2);

    desk.queue().advance(0.5);
    showAndRun();
    desk.queue().advance(0.4);
    showAndRun();
    EXPECT_EQ(contentRequests(), 2);
    EXPECT_TRUE(preview->needsPermission());

    desk.addWindow(kGamePid, {0, 0, 1280, 720});
    desk.queue().advance(0.1);
    showAndRun();
    EXPECT_EQ(contentRequests(), 3);
    EXPECT_TRUE(preview->hasStream());
    EXPECT_FALSE(preview->needsPermission());
}

TEST_F(PreviewCaptureTest, StreamStoppedByThePlatformIsStartedAnewOnTheLargestWindow) {
    showAndRun();
    const auto bigger = desk.addWindow(kGamePid, {0, 0, 1920, 1080});
    desk.streams().at(0)->stopByItself();
    run();
    EXPECT_FALSE(preview->hasStream());
    EXPECT_FALSE(preview->streamedPID());

    showAndRun();
    ASSERT_EQ(desk.streams().size(), 2U);
    EXPECT_EQ(desk.streams()[1]->windowID(), static_cast<platform::CaptureWindowID>(bigger));
    EXPECT_TRUE(preview->hasStream());
}

// Frames ---------------------------------------------------------------------

class FakeSurface final : public platform::Surface {
public:
    [[nodiscard]] platform::Size pixelSize() const override { return {640, 0}; }
};

struct FrameCase {
    const char* name;
    bool hasImageBuffer;
    bool hasSurface;
    double width;
    double height;
    platform::StreamOutputType type;
    bool shown;
    double expectedAspect;
};

class FrameDelivery : public PreviewFixture, public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameDelivery, ShowsThePictureAndTakesItsAspect) {
    const auto& c = GetParam();
    desk.addWindow(kGamePid, {0, 0, 1280, 720});
    auto preview = make();
    preview->show(game, 420);
    run();
    platform::SampleBuffer buffer;
    buffer.hasImageBuffer = c.hasImageBuffer;
    if (c.hasSurface) buffer.surface = std::make_shared<FakeSurface>();
    buffer.pixelWidth = c.width;
    buffer.pixelHeight = c.height;

    desk.streams().at(0)->deliver(buffer, c.type);
    run();

    EXPECT_EQ(panel().contents() != nullptr, c.shown);
    if (c.shown) {
        EXPECT_EQ(panel().contents(), buffer.surface);
    }
    EXPECT_EQ(preview->surfaceView().aspect, c.expectedAspect);
}

constexpr auto kScreen = platform::StreamOutputType::screen;
constexpr double kWide = 16.0 / 9.0;

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameDelivery,
    ::testing::Values(FrameCase{"FourByThree", true, true, 1024, 768, kScreen, true, 4.0 / 3.0},
                      FrameCase{"ZeroHeightKeepsAspect", true, true, 640, 0, kScreen, true, kWide},
                      FrameCase{"AudioIgnored", true, true, 1024, 768, platform::StreamOutputType::audio,
                                false, kWide},
                      FrameCase{"NoImageBuffer", false, true, 1024, 768, kScreen, false, kWide},
                      FrameCase{"NoSurface", true, false, 1024, 768, kScreen, false, kWide}),
    caseName);

TEST_F(PreviewCaptureTest, FrameArrivingAfterThePreviewIsGoneIsDropped) {
    showAndRun();
    desk.streams().at(0)->deliverFrame(1024, 768);
    std::weak_ptr<LivePreview> observer = preview;
    preview.reset();
    ASSERT_TRUE(observer.expired());
    run();
    EXPECT_TRUE(desk.panels().empty());
}

// Stopping -------------------------------------------------------------------

TEST_F(PreviewCaptureTest, StopHidesAtOnceAndStopsTheStreamLater) {
    showAndRun();
    preview->stop();
    EXPECT_FALSE(panel().visible());
    EXPECT_FALSE(desk.streams().at(0)->stopped());

    run();
    EXPECT_TRUE(desk.streams()[0]->stopped());
    EXPECT_TRUE(desk.streams()[0]->destroyed());
    EXPECT_FALSE(preview->hasStream());
    EXPECT_FALSE(preview->streamedWindowID());
}

TEST_F(PreviewCaptureTest, StopWithoutPanelOrStreamIsHarmless) {
    preview->stop();
    run();
    EXPECT_TRUE(desk.panels().empty());
}

TEST_F(PreviewCaptureTest, StoppingPreviewLivesUntilThePlatformHasStoppedItsStream) {
    showAndRun();
    desk.setHoldCompletions(true);
    std::weak_ptr<LivePreview> observer = preview;
    preview->stop();
    preview.reset();  // the controller lets go at once
    run();
    ASSERT_EQ(desk.heldCompletions(), 1U);
    EXPECT_FALSE(observer.expired());
    EXPECT_FALSE(desk.streams()[0]->destroyed());

    desk.releaseCompletion();
    run();
    EXPECT_TRUE(observer.expired());
    EXPECT_TRUE(desk.streams()[0]->destroyed());
    EXPECT_TRUE(desk.panels().empty());
}

// When stop() comes while a start waits for the platform.
enum class StartStage { beforeTask, awaitingContent, awaitingCaptureStart };

struct DiscardCase {
    const char* name;
    StartStage stage;
    bool ownerKeepsPreview;
    std::size_t streamsMade;
};

class DiscardedDuringStart : public PreviewFixture, public ::testing::TestWithParam<DiscardCase> {};

TEST_P(DiscardedDuringStart, LeavesNoStreamRunning) {
    const auto& c = GetParam();
    desk.addWindow(kGamePid, {0, 0, 1280, 720});
    auto preview = make();
    std::weak_ptr<LivePreview> observer = preview;
    desk.setHoldCompletions(true);
    preview->show(game, 420);
    if (c.stage != StartStage::beforeTask) run();  // content requested
    if (c.stage == StartStage::awaitingCaptureStart) {
        desk.releaseCompletion();
        run();  // stream made, its start requested
    }

    preview->stop();
    if (!c.ownerKeepsPreview) preview.reset();
    drain();

    EXPECT_EQ(desk.streams().size(), c.streamsMade);
    for (auto* stream : desk.streams()) {
        EXPECT_TRUE(stream->stopped());
        EXPECT_TRUE(stream->destroyed());
    }
    EXPECT_EQ(observer.expired(), !c.ownerKeepsPreview);
    if (preview) {
        EXPECT_FALSE(preview->hasStream());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiscardedDuringStart,
    ::testing::Values(DiscardCase{"BeforeTaskKept", StartStage::beforeTask, true, 0},
                      DiscardCase{"BeforeTaskDropped", StartStage::beforeTask, false, 0},
                      DiscardCase{"AwaitingContentKept", StartStage::awaitingContent, true, 0},
                      DiscardCase{"AwaitingContentDropped", StartStage::awaitingContent, false, 0},
                      DiscardCase{"AwaitingCaptureStartKept", StartStage::awaitingCaptureStart, true, 1},
                      DiscardCase{"AwaitingCaptureStartDropped", StartStage::awaitingCaptureStart, false, 1}),
    caseName);

}  // namespace
}  // namespace corvane
