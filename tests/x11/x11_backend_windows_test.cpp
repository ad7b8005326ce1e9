// Other programs' windows through the backend: which applications it sees,
// which one is frontmost, activation, and outer frames that land exactly
// where asked whatever gravity a window requests, with a window manager and
// without one.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "backend_test.h"
#include "child_process.h"
#include "rect_printer.h"
#include "wait_until.h"

#include "platform/x11/wire/icccm_hints.h"

namespace corvane::x11test {
namespace {

using platform::Rect;

constexpr std::uint32_t kNorthWestGravity = 1;
constexpr std::uint32_t kCenterGravity = 5;
constexpr std::uint32_t kSouthEastGravity = 9;
constexpr std::uint32_t kStaticGravity = 10;

/// A top-level window the test makes on its own connection, posing as another program's.
struct WindowSpec {
    Rect client{100, 100, 300, 200};
    std::optional<std::uint32_t> pid{};
    std::string wmClass = "Probe";
    std::optional<std::uint32_t> gravity{};
};

xcb_window_t createWindow(XInspector& x, const WindowSpec& spec) {
    auto* c = x.connection();
    const xcb_window_t window = xcb_generate_id(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x.root(), static_cast<std::int16_t>(spec.client.x),
                      static_cast<std::int16_t>(spec.client.y), static_cast<std::uint16_t>(spec.client.width),
                      static_cast<std::uint16_t>(spec.client.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    const std::string wmClass = "probe" + std::string(1, '\0') + spec.wmClass + std::string(1, '\0');
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
    if (spec.pid) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, x.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                            &*spec.pid);
    }
    // WM_NORMAL_HINTS: a user-given position (so the window manager keeps it) and the gravity.
    x11::WmSizeHints sizeHints;
    sizeHints.flags = x11::WmSizeHints::kUserPosition | (spec.gravity ? x11::WmSizeHints::kWinGravity : 0);
    sizeHints.winGravity = spec.gravity.value_or(kNorthWestGravity);
    const auto hints = sizeHints.items();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS,
                        32, static_cast<std::uint32_t>(hints.size()), hints.data());
    xcb_map_window(c, window);
    x.sync();
    return window;
}

std::uint32_t ownPid() {
    return static_cast<std::uint32_t>(getpid());
}

/// The backend and the windows a test made, destroyed at its end.
class BackendWindowsTest : public BackendTest {
protected:
    void TearDown() override {
        for (const xcb_window_t window : windows_) x().destroyWindow(window);
        BackendTest::TearDown();
    }

    /// A window of the test's that lives until the end of the test, once managed.
    xcb_window_t window(const WindowSpec& spec) {
        const xcb_window_t created = createWindow(x(), spec);
        windows_.push_back(created);
        EXPECT_TRUE(waitUntil([&] { return managed(created); })) << "window never managed";
        settle();
        return created;
    }
    bool managed(xcb_window_t window) {
        const auto clients = x().clientList();
        return std::find(clients.begin(), clients.end(), window) != clients.end() && x().isViewable(window);
    }
    bool runUntil(const std::function<bool()>& condition) {
        return backend_->loop().runUntil(condition, 5.0);
    }
    [[nodiscard]] std::optional<platform::RunningApplication> application(platform::Pid pid) {
        const auto all = backend_->workspace().runningApplications();
        EXPECT_LE(std::count_if(all.begin(), all.end(), [&](const auto& app) { return app.pid == pid; }), 1)
            << "pid " << pid << " listed more than once";
        const auto found =
            std::find_if(all.begin(), all.end(), [&](const auto& app) { return app.pid == pid; });
        if (found == all.end()) return std::nullopt;
        return *found;
    }

    std::vector<xcb_window_t> windows_;
};

TEST_F(BackendWindowsTest, applicationsAreTheProcessesBehindManagedWindowsNamedByTheirClass) {
    auto& retail = launchGame({.number = 1});
    auto& classic = launchGame({.number = 2, .wmClass = "WowClassic.exe"});
    window({.pid = ownPid(), .wmClass = "XTerm"});
    window({.client = {500, 100, 100, 100}, .pid = ownPid(), .wmClass = "XTerm"});

    const auto first = application(retail.pid());
    const auto second = application(classic.pid());
    const auto own = application(static_cast<platform::Pid>(ownPid()));

    ASSERT_TRUE(first && second && own);
    EXPECT_EQ(first->bundleIdentifier, "com.blizzard.worldofwarcraft");
    EXPECT_EQ(second->bundleIdentifier, "com.blizzard.worldofwarcraft.classic");
    EXPECT_EQ(own->bundleIdentifier, "XTerm");
    EXPECT_FALSE(first->terminated);
    ASSERT_TRUE(first->launchDate && second->launchDate);
    EXPECT_LE(*first->launchDate, *second->launchDate);
}

TEST_F(BackendWindowsTest, frontmostIsThePidOfTheActiveWindow) {
    auto& one = launchGame({.number = 1});
    auto& two = launchGame({.number = 2});
    // openbox focuses a new window by asking it to take the focus. A game slow
    // to answer that takes it with the timestamp openbox gave; if the first
    // activation below got the same millisecond, the server lets the late
    // answer win, and nothing brings the first game back.
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == two.window(); }));
    for (auto* game : {&one, &two, &one}) {
        x().activate(game->window());
        ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == game->window(); }));
        // openbox may clear the property for a moment while the focus settles.
        EXPECT_TRUE(runUntil([&] { return backend_->workspace().frontmostApplicationPid() == game->pid(); }));
    }
}

TEST_F(BackendWindowsTest, activationGivesAWineStyleGameTheFocusThroughTheWindowManager) {
    auto& one = launchGame({.number = 1});
    auto& two = launchGame({.number = 2});
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == two.window(); }));

    EXPECT_TRUE(backend_->workspace().activateApplication(one.pid()));

    EXPECT_TRUE(
        runUntil([&] { return x().activeWindow() == one.window() && x().inputFocus() == one.window(); }));
    EXPECT_TRUE(one.waitForLog("TakeFocus", std::chrono::seconds(5)));
}

/// What the window manager is asked to activate, as a pager watching the root sees it.
class ActivationRequests {
public:
    ActivationRequests(XInspector& x, const std::string& display)
        : x_(x), watcher_(xcb_connect(display.c_str(), nullptr)) {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(watcher_, x.root(), XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_get_input_focus_reply(watcher_, xcb_get_input_focus(watcher_), nullptr));
    }
    ActivationRequests(const ActivationRequests&) = delete;
    ActivationRequests& operator=(const ActivationRequests&) = delete;
    ~ActivationRequests() { xcb_disconnect(watcher_); }

    /// Every request the server has passed on so far, in order.
    const std::vector<xcb_client_message_event_t>& seen() {
        // A round trip: whatever the server sent before its answer is read.
        std::free(xcb_get_input_focus_reply(watcher_, xcb_get_input_focus(watcher_), nullptr));
        while (XReply<xcb_generic_event_t> event{xcb_poll_for_event(watcher_)}) {
            const auto& message = *reinterpret_cast<const xcb_client_message_event_t*>(event.get());
            if ((event->response_type & 0x7FU) == XCB_CLIENT_MESSAGE &&
                message.type == x_.atom("_NET_ACTIVE_WINDOW")) {
                seen_.push_back(message);
            }
        }
        return seen_;
    }

private:
    XInspector& x_;
    xcb_connection_t* watcher_;
    std::vector<xcb_client_message_event_t> seen_;
};

// Window managers give a pager's request (source 2) precedence over an application's own.
TEST_F(BackendWindowsTest, activationAsksTheWindowManagerAsAPagerForTheUser) {
    auto& game = launchGame({.number = 1});
    auto& other = launchGame({.number = 2});
    x().activate(other.window());  // in front, as the backend hears: there is something to activate
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == other.window(); }));
    settle();
    ActivationRequests requests(x(), session().display());

    ASSERT_TRUE(backend_->workspace().activateApplication(game.pid()));

    EXPECT_TRUE(waitUntil([&] { return !requests.seen().empty(); }));
    ASSERT_FALSE(requests.seen().empty());
    EXPECT_EQ(requests.seen().front().window, game.window());
    EXPECT_EQ(requests.seen().front().data.data32[0], 2U);
}

// Switches faster than the window manager answers: the first goes out at once,
// the next waits for its answer, and one that comes meanwhile replaces it.
TEST_F(BackendWindowsTest, aSwitchReplacedWithinFiftyMillisecondsOfTheFirstGoesNowhere) {
    auto& one = launchGame({.number = 1});
    auto& two = launchGame({.number = 2});
    auto& three = launchGame({.number = 3});
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == three.window(); }));
    settle();
    ActivationRequests requests(x(), session().display());

    for (auto* game : {&one, &two, &three})
        ASSERT_TRUE(backend_->workspace().activateApplication(game->pid()));

    EXPECT_TRUE(
        runUntil([&] { return requests.seen().size() >= 2 && x().activeWindow() == three.window(); }));
    std::vector<xcb_window_t> asked;
    for (const auto& request : requests.seen()) asked.push_back(request.window);
    EXPECT_EQ(asked, (std::vector<xcb_window_t>{one.window(), three.window()}));
}

TEST_F(BackendWindowsTest, activationPicksTheApplicationsLargestWindow) {
    window({.client = {50, 50, 120, 90}, .pid = ownPid()});
    const xcb_window_t large = window({.client = {300, 50, 500, 400}, .pid = ownPid()});
    window({.client = {900, 50, 200, 150}, .pid = ownPid()});
    auto& game = launchGame({.number = 1});
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == game.window(); }));

    EXPECT_TRUE(backend_->workspace().activateApplication(static_cast<platform::Pid>(ownPid())));

    EXPECT_TRUE(runUntil([&] { return x().activeWindow() == large; }));
}

TEST_F(BackendWindowsTest, activatingAPidWithoutWindowsFailsAndChangesNothing) {
    auto& game = launchGame({.number = 1});
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == game.window(); }));
    const auto noWindows = static_cast<platform::Pid>(getppid());

    EXPECT_FALSE(backend_->workspace().activateApplication(noWindows));
    backend_->loop().runFor(0.1);
    EXPECT_EQ(x().activeWindow(), game.window());
}

TEST_F(BackendWindowsTest, aPidsNewWindowIsReadAfreshAfterItsOldOneLeavesTheClientList) {
    const auto pid = static_cast<platform::Pid>(ownPid());
    const xcb_window_t before = createWindow(x(), {.pid = ownPid(), .wmClass = "Before"});
    ASSERT_TRUE(waitUntil([&] { return managed(before); }));
    EXPECT_EQ(application(pid).value_or(platform::RunningApplication{}).bundleIdentifier, "Before");
    ASSERT_EQ(backend_->accessibility().windows(pid), std::vector<platform::WindowRef>{before});

    x().destroyWindow(before);
    ASSERT_TRUE(waitUntil([&] { return !managed(before); }));
    // Windows of this process from earlier tests may still be on their way out.
    EXPECT_TRUE(runUntil([&] { return !application(pid).has_value(); }));
    const xcb_window_t after = window({.pid = ownPid(), .wmClass = "After"});

    EXPECT_EQ(application(pid).value_or(platform::RunningApplication{}).bundleIdentifier, "After");
    EXPECT_EQ(backend_->accessibility().windows(pid), std::vector<platform::WindowRef>{after});
    x().activate(after);
    EXPECT_TRUE(runUntil([&] { return backend_->workspace().frontmostApplicationPid() == pid; }));
}

// The server hands a closed connection's window ids to the next program that
// connects; what was known of the old window must not stick to the new one.
TEST_F(BackendWindowsTest, aWindowIdHandedOnToAnotherProgramIsReadAfresh) {
    auto old = std::make_unique<XInspector>(session().display());
    const xcb_window_t first = createWindow(*old, {.pid = ownPid(), .wmClass = "Old"});
    ASSERT_TRUE(waitUntil([&] { return managed(first); }));
    ASSERT_TRUE(application(static_cast<platform::Pid>(ownPid())).has_value());

    old.reset();  // the program ends, its window with it
    ASSERT_TRUE(waitUntil([&] { return !managed(first); }));
    XInspector next(session().display());
    const xcb_window_t second = createWindow(next, {.pid = ownPid(), .wmClass = "New"});
    if (second != first) GTEST_SKIP() << "the server gave the new window an id of its own";
    ASSERT_TRUE(waitUntil([&] { return managed(second); }));

    EXPECT_TRUE(runUntil([&] {
        const auto app = application(static_cast<platform::Pid>(ownPid()));
        return app && app->bundleIdentifier == "New";
    }));
}

TEST_F(BackendWindowsTest, aProcessesWindowsAreItsManagedWindowsOnly) {
    auto& game = launchGame({.number = 1});
    auto& accessibility = backend_->accessibility();

    // Not Wine's hidden IME window, which has the same pid but is never managed.
    EXPECT_EQ(accessibility.windows(game.pid()), (std::vector<platform::WindowRef>{game.window()}));
    EXPECT_EQ(accessibility.windows(static_cast<platform::Pid>(getppid())),
              std::vector<platform::WindowRef>{});
    EXPECT_TRUE(accessibility.isProcessTrusted());
}

TEST_F(BackendWindowsTest, raiseStacksTheWindowOnTopWithoutActivatingIt) {
    auto& below = launchGame({.number = 1});
    auto& above = launchGame({.number = 2});
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == above.window(); }));
    const xcb_atom_t stacking = x().atom("_NET_CLIENT_LIST_STACKING");
    auto topmost = [&] {
        auto* c = x().connection();
        XReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, x().root(), stacking, XCB_ATOM_WINDOW, 0, 1024), nullptr));
        const auto count = reply ? xcb_get_property_value_length(reply.get()) / 4 : 0;
        if (count == 0) return xcb_window_t{XCB_WINDOW_NONE};
        return static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()))[count - 1];
    };
    ASSERT_EQ(topmost(), above.window());

    backend_->accessibility().raise(below.window());

    EXPECT_TRUE(runUntil([&] { return topmost() == below.window(); }));
    EXPECT_EQ(x().activeWindow(), above.window());
}

// Any program may write a window's _NET_FRAME_EXTENTS, also values no frame has.
TEST_F(BackendWindowsTest, absurdFrameExtentsNeitherOverflowNorShrinkTheWindow) {
    const xcb_window_t target = window({.client = {200, 150, 300, 200}});
    const std::array<std::uint32_t, 4> absurd{2147483647, 2147483647, 2147483647, 2147483647};
    xcb_change_property(x().connection(), XCB_PROP_MODE_REPLACE, target, x().atom("_NET_FRAME_EXTENTS"),
                        XCB_ATOM_CARDINAL, 32, absurd.size(), absurd.data());
    x().sync();
    settle();
    const Rect wanted{10, 20, 700, 500};

    backend_->accessibility().setPosition(target, wanted.origin());
    backend_->accessibility().setSize(target, wanted.size());

    // No frame is believed, so the client area is the frame asked for.
    EXPECT_TRUE(runUntil([&] { return x().clientRect(target) == wanted; }))
        << ::testing::PrintToString(x().clientRect(target));
}

/// A socket that takes connections and never answers, named by SWAYSOCK for
/// the life of this object: a sway of another session, as far as anyone can tell.
class SilentSwaySocket {
public:
    SilentSwaySocket()
        : path_(std::filesystem::temp_directory_path() /
                ("corvane-silent-sway-" + std::to_string(getpid()))) {
        std::filesystem::remove(path_);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        if (bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(fd_, 8) != 0) {
            ADD_FAILURE() << "cannot listen on " << path_;
        }
        if (const char* before = std::getenv("SWAYSOCK")) before_ = before;
        setenv("SWAYSOCK", path_.c_str(), 1);
    }
    SilentSwaySocket(const SilentSwaySocket&) = delete;
    SilentSwaySocket& operator=(const SilentSwaySocket&) = delete;
    ~SilentSwaySocket() {
        if (before_) {
            setenv("SWAYSOCK", before_->c_str(), 1);
        } else {
            unsetenv("SWAYSOCK");
        }
        close(fd_);
        std::filesystem::remove(path_);
    }

private:
    std::filesystem::path path_;
    int fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
    std::optional<std::string> before_;
};

TEST_F(BackendWindowsTest, aSwaySocketLeftInTheEnvironmentTakesNoMoveMeantForThisDisplay) {
    const SilentSwaySocket sway;
    openBackend(session());
    const xcb_window_t target = window({.client = {200, 150, 300, 200}});
    const Rect wanted{10, 20, 700, 500};

    backend_->accessibility().setPosition(target, wanted.origin());
    backend_->accessibility().setSize(target, wanted.size());

    EXPECT_TRUE(runUntil([&] { return x().outerFrame(target) == wanted; }))
        << ::testing::PrintToString(x().outerFrame(target));
}

struct GravityCase {
    const char* name;
    std::optional<std::uint32_t> gravity{};
    friend void PrintTo(const GravityCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class FramePlacement : public BackendWindowsTest, public ::testing::WithParamInterface<GravityCase> {};

// Every gravity makes the window manager read a move differently; the outer
// frame must still land exactly, and read back as written.
TEST_P(FramePlacement, outerFrameLandsWhereAskedAndReadsBack) {
    const xcb_window_t target = window({.client = {200, 150, 300, 200}, .gravity = GetParam().gravity});
    auto& accessibility = backend_->accessibility();
    const auto outer = x().outerFrame(target);
    ASSERT_TRUE(outer.has_value());
    ASSERT_EQ(accessibility.position(target), outer->origin());
    ASSERT_EQ(accessibility.size(target), outer->size());

    for (const Rect wanted : {Rect{10, 20, 700, 500}, Rect{400, 300, 520, 410}}) {
        accessibility.setPosition(target, wanted.origin());
        accessibility.setSize(target, wanted.size());
        // At once, as the border reads it in the same step, and while the window manager works.
        EXPECT_EQ(accessibility.position(target), wanted.origin());
        EXPECT_EQ(accessibility.size(target), wanted.size());
        EXPECT_TRUE(runUntil([&] { return x().outerFrame(target) == wanted; }))
            << ::testing::PrintToString(x().outerFrame(target));
        EXPECT_EQ(accessibility.position(target), wanted.origin());
        EXPECT_EQ(accessibility.size(target), wanted.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Gravities, FramePlacement,
                         ::testing::Values(GravityCase{"unset", std::nullopt},
                                           GravityCase{"northWest", kNorthWestGravity},
                                           GravityCase{"center", kCenterGravity},
                                           GravityCase{"southEast", kSouthEastGravity},
                                           GravityCase{"static", kStaticGravity}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

/// The backend on a server that cannot say which process owns a window (no
/// X-Resource): there a window's _NET_WM_PID is all there is to go by.
class WithoutXResourceTest : public BackendWindowsTest {
protected:
    void SetUp() override {
        if (SessionEnvironment::session() == nullptr) GTEST_SKIP() << SessionEnvironment::skipReason();
        plain_ = std::make_unique<XSession>(SessionOptions{.disabledExtensions = {"X-Resource"}});
        // A session of its own: BackendTest's would open the shared one.
        X11Test::SetUp();  // NOLINT(bugprone-parent-virtual-call)
        useSession(*plain_);
        openBackend(*plain_);
    }
    void TearDown() override {
        BackendWindowsTest::TearDown();
        plain_.reset();
    }

    std::unique_ptr<XSession> plain_;
};

TEST_F(WithoutXResourceTest, windowsThatStateNoPidAreNoApplication) {
    const xcb_window_t anonymous = window({});

    const auto all = backend_->workspace().runningApplications();
    for (const auto& app : all) EXPECT_GT(app.pid, 0);

    x().activate(anonymous);
    ASSERT_TRUE(waitUntil([&] { return x().activeWindow() == anonymous; }));
    EXPECT_EQ(backend_->workspace().frontmostApplicationPid(), std::nullopt);
}

TEST_F(WithoutXResourceTest, aProcessThatExitsIsReportedTerminatedWhileItsWindowStays) {
    auto child = ChildProcess::spawn({.argv = {"/bin/sleep", "60"}});
    const auto pid = static_cast<platform::Pid>(child.pid());
    window({.pid = static_cast<std::uint32_t>(child.pid()), .wmClass = "Orphan"});
    const auto alive = application(pid);
    ASSERT_TRUE(alive);
    EXPECT_FALSE(alive->terminated);

    child.stop();

    const auto gone = application(pid);
    ASSERT_TRUE(gone);
    EXPECT_TRUE(gone->terminated);
}

/// The backend on a server without a window manager: no client list, no
/// frames, no one to ask for activation.
class NoWindowManagerTest : public BackendWindowsTest {
protected:
    void SetUp() override {
        if (SessionEnvironment::session() == nullptr) GTEST_SKIP() << SessionEnvironment::skipReason();
        bare_ = std::make_unique<XSession>(SessionOptions{.windowManager = false});
        // A session of its own: BackendTest's would open the shared one.
        X11Test::SetUp();  // NOLINT(bugprone-parent-virtual-call)
        useSession(*bare_);
        openBackend(*bare_);
    }
    void TearDown() override {
        BackendWindowsTest::TearDown();
        game_.reset();
        bare_.reset();
    }

    /// A fake game whose window is mapped (no one manages it here).
    std::pair<pid_t, xcb_window_t> startGame() {
        log_ = bare_->newPath("game.log");
        game_ = ChildProcess::spawn(
            {.argv = {FAKE_GAME_PATH, "--size", "400x300", "--position", "50,60", "--log", log_.string()}});
        std::optional<xcb_window_t> shown;
        waitUntil([&] {
            for (const xcb_window_t candidate :
                 x().topLevelWindowsOf(static_cast<std::uint32_t>(game_->pid()))) {
                if (x().isViewable(candidate)) shown = candidate;
            }
            return shown.has_value();
        });
        return {game_->pid(), shown.value_or(XCB_WINDOW_NONE)};
    }
    bool logHas(const std::string& text) {
        std::ifstream file(log_);
        std::string line;
        while (std::getline(file, line)) {
            if (line.find(text) != std::string::npos) return true;
        }
        return false;
    }

    std::unique_ptr<XSession> bare_;
    std::optional<ChildProcess> game_;
    std::filesystem::path log_;
};

TEST_F(NoWindowManagerTest, mappedWindowsStandForTheClientListAndFramesAreTheWindows) {
    const auto [pid, gameWindow] = startGame();
    ASSERT_NE(gameWindow, XCB_WINDOW_NONE);
    auto& accessibility = backend_->accessibility();

    EXPECT_EQ(accessibility.windows(pid), (std::vector<platform::WindowRef>{gameWindow}));
    EXPECT_EQ(application(pid)->bundleIdentifier, "com.blizzard.worldofwarcraft");
    EXPECT_EQ(accessibility.position(gameWindow), (platform::Point{50, 60}));

    const Rect wanted{300, 200, 640, 480};
    accessibility.setPosition(gameWindow, wanted.origin());
    accessibility.setSize(gameWindow, wanted.size());
    EXPECT_TRUE(runUntil([&] { return x().clientRect(gameWindow) == wanted; }))
        << ::testing::PrintToString(x().clientRect(gameWindow));
}

TEST_F(NoWindowManagerTest, activationAsksAWineStyleGameToTakeTheFocus) {
    const auto [pid, gameWindow] = startGame();
    ASSERT_NE(gameWindow, XCB_WINDOW_NONE);

    EXPECT_TRUE(backend_->workspace().activateApplication(pid));

    EXPECT_TRUE(runUntil([&] { return logHas("TakeFocus"); }));
    EXPECT_TRUE(runUntil([&] { return x().inputFocus() == gameWindow; }));
    EXPECT_EQ(backend_->workspace().frontmostApplicationPid(), pid);
}

}  // namespace
}  // namespace corvane::x11test
