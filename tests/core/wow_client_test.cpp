#include <gtest/gtest.h>

#include "corvane/clients/screen_coordinates.h"
#include "corvane/clients/wow_client.h"
#include "platform/sim/sim_desktop.h"
#include "print_helpers.h"

namespace corvane {
namespace {

using platform::Date;
using platform::Rect;

constexpr const char* kGame = "com.blizzard.worldofwarcraft";

class Discovery : public ::testing::Test {
protected:
    sim::SimDesktop desk;

    std::vector<platform::Pid> running() {
        auto p = desk.platform();
        std::vector<platform::Pid> pids;
        for (const auto& c : WowClient::running(p.workspace, p.processInfo)) pids.push_back(c.pid);
        return pids;
    }
    void add(const char* bundle, platform::Pid pid, std::optional<double> launch = 100.0,
             bool terminated = false) {
        std::optional<Date> date;
        if (launch) date = Date{*launch};
        std::optional<std::string> id;
        if (bundle != nullptr) id = bundle;
        desk.addApp({id, pid, date, terminated, false});
    }
};

TEST_F(Discovery, NothingRunningGivesNoClients) {
    add("com.apple.finder", 1);
    EXPECT_TRUE(running().empty());
}

TEST_F(Discovery, OrdersByLaunchDateThenPid) {
    // 812 and 640 at 10:00:05, 901 at 09:59:00.
    add(kGame, 812, 36005);
    add(kGame, 640, 36005);
    add(kGame, 901, 35940);
    EXPECT_EQ(running(), (std::vector<platform::Pid>{901, 640, 812}));
}

TEST_F(Discovery, MissingLaunchDatesComeFirstOrderedByPid) {
    add(kGame, 50, 10);
    add(kGame, 30, std::nullopt);
    add(kGame, 20, std::nullopt);
    EXPECT_EQ(running(), (std::vector<platform::Pid>{20, 30, 50}));
}

TEST_F(Discovery, PrefixIsCaseSensitiveAndComplete) {
    struct Case {
        const char* bundle;
        bool client;
    };
    const Case cases[] = {
        {"com.blizzard.worldofwarcraft", true},
        {"com.blizzard.worldofwarcraft.classic", true},
        {"com.blizzard.worldofwarcraftptr", true},
        {"com.Blizzard.WorldOfWarcraft", false},
        {"com.blizzard.worldofwarcraf", false},
        {"org.example.com.blizzard.worldofwarcraft", false},  // contains the prefix, does not begin with it
        {"", false},
        {nullptr, false},
    };
    platform::Pid pid = 1;
    for (const auto& c : cases) {
        sim::SimDesktop fresh;
        std::optional<std::string> id;
        if (c.bundle != nullptr) id = c.bundle;
        fresh.addApp({id, pid, Date{1}, false, false});
        auto p = fresh.platform();
        EXPECT_EQ(WowClient::running(p.workspace, p.processInfo).size(), c.client ? 1U : 0U)
            << (c.bundle != nullptr ? c.bundle : "(none)");
    }
}

TEST_F(Discovery, TerminatedApplicationsAreNotClients) {
    add(kGame, 1, 1, true);
    add("org.example.extra", 2, 1, true);
    desk.setArguments({"corvane", "-previewBundle", "org.example.extra"});
    EXPECT_TRUE(running().empty());
}

TEST_F(Discovery, ExtraBundlesAreOrderedWithTheGames) {
    add(kGame, 10, 50);
    add("org.example.extra", 20, 40);
    add("org.example.other", 30, 30);
    desk.setArguments({"corvane", "-previewBundle", "org.example.extra"});
    EXPECT_EQ(running(), (std::vector<platform::Pid>{20, 10}));
}

TEST(ExtraBundleIDs, ParsesTheLaunchOption) {
    struct Case {
        std::vector<std::string> args;
        std::set<std::string> ids;
    };
    const Case cases[] = {
        {{"corvane"}, {}},
        {{"corvane", "-previewBundle"}, {}},
        {{"corvane", "-previewBundle", ",a,,b,"}, {"a", "b"}},
        {{"corvane", "-previewBundle", "a, b"}, {"a", " b"}},
        {{"corvane", "-previewBundle", "a,a"}, {"a"}},
        {{"corvane", "-previewBundle", "first", "-previewBundle", "second"}, {"first"}},
        {{"corvane", "-previewbundle", "x"}, {}},
        {{"corvane", "-previewBundle", ""}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(WowClient::extraBundleIDs(c.args), c.ids);
}

TEST_F(Discovery, BlankInPieceDoesNotMatch) {
    add("b", 5, 1);
    desk.setArguments({"corvane", "-previewBundle", "a, b"});
    EXPECT_TRUE(running().empty());
}

TEST(WowClientIdentity, EqualityIsThePidAlone) {
    const WowClient a{7, Date{1}};
    const WowClient b{7, Date{2}};
    EXPECT_EQ(a, b);
    EXPECT_NE(a, (WowClient{8, Date{1}}));
}

class WindowAccess : public ::testing::Test {
protected:
    sim::SimDesktop desk;
    platform::Accessibility& ax() { return accessibility_; }

private:
    platform::Accessibility& accessibility_ = desk.platform().accessibility;
};

TEST_F(WindowAccess, NoMainWindowWithoutReadableWindows) {
    desk.addGame(1, 1);  // no windows
    desk.addGame(2, 1);
    desk.addWindow(2, {0, 0, 10, 10});
    desk.app(2).windowListUnreadable = true;
    EXPECT_EQ((WowClient{1}).mainWindow(ax()), std::nullopt);
    EXPECT_EQ((WowClient{2}).mainWindow(ax()), std::nullopt);
    EXPECT_EQ((WowClient{3}).mainWindow(ax()), std::nullopt);  // quit
}

TEST_F(WindowAccess, MainWindowIsTheLargestFirstOnTies) {
    desk.addGame(1, 1);
    const auto small = desk.addWindow(1, {0, 0, 100, 100});
    const auto big = desk.addWindow(1, {0, 0, 200, 100});
    const auto tie = desk.addWindow(1, {5, 5, 100, 200});
    (void)small;
    (void)tie;
    EXPECT_EQ((WowClient{1}).mainWindow(ax()), big);
}

TEST_F(WindowAccess, UnreadableSizeCountsAsNoArea) {
    desk.addGame(1, 1);
    const auto first = desk.addWindow(1, {0, 0, 10, 10});
    const auto huge = desk.addWindow(1, {0, 0, 5000, 5000});
    desk.window(huge).sizeUnreadable = true;
    EXPECT_EQ(WowClient::frame(huge, ax()), std::nullopt);
    EXPECT_EQ((WowClient{1}).mainWindow(ax()), first);
}

TEST_F(WindowAccess, UnreadablePositionSkipsTheSizeRead) {
    desk.addGame(1, 1);
    const auto w = desk.addWindow(1, {0, 0, 10, 10});
    desk.window(w).positionUnreadable = true;
    desk.calls().clear();
    EXPECT_EQ(WowClient::frame(w, ax()), std::nullopt);
    EXPECT_EQ(desk.calls().count("size"), 0);
}

TEST_F(WindowAccess, FrameWriteIsPositionSizePosition) {
    desk.addGame(1, 1);
    const auto w = desk.addWindow(1, {0, 0, 10, 10});
    desk.calls().clear();
    WowClient::setFrame(w, {1037, 25, 403, 245}, ax());
    EXPECT_EQ(
        desk.calls().entries(),
        (std::vector<std::string>{"setPosition w1 1037,25", "setSize w1 403,245", "setPosition w1 1037,25"}));
    EXPECT_EQ(desk.window(w).frame, (Rect{1037, 25, 403, 245}));
}

TEST(ScreenCoordinatesConversion, FlipsAboutThePrimaryScreenHeight) {
    EXPECT_EQ(ScreenCoordinates::appKitRect({0, 25, 1037, 875}, 900), (Rect{0, 0, 1037, 875}));
    EXPECT_EQ(ScreenCoordinates::appKitRect({0, 0, 1440, 875}, 900), (Rect{0, 25, 1440, 875}));
    const Rect r{12.5, -40, 300, 77};
    EXPECT_EQ(ScreenCoordinates::appKitRect(ScreenCoordinates::appKitRect(r, 1080), 1080), r);
    EXPECT_EQ(ScreenCoordinates::appKitRect({10, 20, -5, -8}, 100), (Rect{5, 80, 5, 8}));
}

TEST(ScreenCoordinatesConversion, UsesThePrimaryScreenOrZero) {
    sim::SimDesktop desk;
    desk.setScreens(
        {{{0, 0, 1920, 1080}, {0, 0, 1920, 1050}}, {{1920, 0, 1280, 1024}, {1920, 0, 1280, 1024}}});
    EXPECT_EQ(ScreenCoordinates::appKitRect({0, 0, 10, 10}, desk.platform().screens),
              (Rect{0, 1070, 10, 10}));
    desk.setScreens({});
    EXPECT_EQ(ScreenCoordinates::appKitRect({0, 30, 10, 10}, desk.platform().screens),
              (Rect{0, -40, 10, 10}));
}

}  // namespace
}  // namespace corvane
