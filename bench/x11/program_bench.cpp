// Figures of the real program as a player meets it (Xvfb, openbox, trayer,
// three stand-in games): a click on the tray icon until the panel is
// viewable, and the switch key until the next game has the keyboard, with
// the panel closed and open. Medians and 95th percentiles of 20 runs each.
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "wait_until.h"
#include "x_session.h"

#ifndef CORVANE_PATH
#error "CORVANE_PATH must name the corvane binary"
#endif

namespace {

using corvane::x11test::ChildProcess;
using corvane::x11test::XReply;
using corvane::x11test::XSession;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 20;
constexpr xcb_keysym_t kGrave = 0x60;
constexpr xcb_keysym_t kEscape = 0xFF1B;
constexpr std::chrono::milliseconds kEventTimeout{5000};
/// Past the popup's guard against reopening at once, and Qt's double-click interval.
constexpr std::chrono::milliseconds kPause{600};

/// A connection of the bench's own that plays the user and hears the answers.
class Player {
public:
    explicit Player(XSession& session)
        : session_(session), c_(xcb_connect(session.display().c_str(), nullptr)) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player() { xcb_disconnect(c_); }

    void select(xcb_window_t window, std::uint32_t mask) {
        xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
        while (XReply<xcb_generic_event_t> stale{xcb_poll_for_event(c_)}) {
        }
    }
    void click(int x, int y) {
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, session_.x().root(),
                            static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
        xcb_test_fake_input(c_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_test_fake_input(c_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_flush(c_);
    }
    void key(xcb_keysym_t keysym) {
        const auto keycode = session_.x().keycodeOf(keysym).value();
        xcb_test_fake_input(c_, XCB_KEY_PRESS, keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_test_fake_input(c_, XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_flush(c_);
    }
    /// Waits for the first event `wanted` accepts; false at the timeout.
    bool waitFor(const std::function<bool(const xcb_generic_event_t&)>& wanted) {
        const auto deadline = Clock::now() + kEventTimeout;
        while (Clock::now() < deadline) {
            while (XReply<xcb_generic_event_t> event{xcb_poll_for_event(c_)}) {
                if (wanted(*event)) return true;
            }
            pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
            poll(&fd, 1, 10);
        }
        return false;
    }

private:
    XSession& session_;
    xcb_connection_t* c_;
};

std::uint8_t typeOf(const xcb_generic_event_t& event) {
    return static_cast<std::uint8_t>(event.response_type & 0x7FU);
}

std::optional<std::pair<int, int>> trayIcon(XSession& session) {
    auto& x = session.x();
    for (const xcb_window_t window : x.clientList()) {
        if (x.wmClass(window) != corvane::x11test::WmClass{"panel", "trayer"}) continue;
        auto* c = x.connection();
        XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree) return std::nullopt;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const auto rect = x.clientRect(children[i]);
            if (rect && rect->width > 1 && x.isViewable(children[i])) {
                return std::pair{static_cast<int>(rect->x + rect->width / 2),
                                 static_cast<int>(rect->y + rect->height / 2)};
            }
        }
    }
    return std::nullopt;
}

/// The program's panel window, made at start and shown only when asked.
std::optional<xcb_window_t> panelOf(XSession& session, pid_t pid) {
    for (const xcb_window_t window : session.x().topLevelWindowsOf(static_cast<std::uint32_t>(pid))) {
        if (session.x().utf8Property(window, "_NET_WM_NAME") == "Corvane") return window;
    }
    return std::nullopt;
}

void report(const char* name, std::vector<double> milliseconds) {
    if (milliseconds.empty()) {
        std::printf("%-44s no run completed\n", name);
        return;
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double share) {
        return milliseconds[std::min(
            milliseconds.size() - 1,
            static_cast<std::size_t>(share * static_cast<double>(milliseconds.size())))];
    };
    std::printf("%-44s median %7.2f ms   p95 %7.2f ms   (%zu runs)\n", name, at(0.5), at(0.95),
                milliseconds.size());
}

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
    XSession session;
    const auto folder = session.folder();
    std::filesystem::create_directories(folder / "runtime");
    // The program takes a runtime folder only when it is private, as a session's is.
    std::filesystem::permissions(folder / "runtime", std::filesystem::perms::owner_all);
    const std::string bus = "unix:path=" + (folder / "bus").string();
    auto daemon = ChildProcess::spawn({.argv = {XSession::findInPath("dbus-daemon"), "--session", "--nofork",
                                                "--nopidfile", "--address=" + bus}});
    corvane::x11test::waitUntil([&] { return std::filesystem::exists(folder / "bus"); });
    auto tray =
        ChildProcess::spawn({.argv = {XSession::findInPath("trayer"), "--edge", "top", "--align", "right",
                                      "--widthtype", "request", "--height", "24", "--SetDockType", "true"},
                             .environment = {{"DISPLAY", session.display()}}});
    std::vector<std::unique_ptr<corvane::x11test::GameProcess>> games;
    for (int number = 1; number <= 3; ++number) games.push_back(session.launchGame({.number = number}));
    auto program = ChildProcess::spawn({.argv = {CORVANE_PATH},
                                        .environment = {{"DISPLAY", session.display()},
                                                        {"DBUS_SESSION_BUS_ADDRESS", bus},
                                                        {"XDG_RUNTIME_DIR", (folder / "runtime").string()},
                                                        {"XDG_CONFIG_HOME", (folder / "config").string()}},
                                        .stderrPath = (folder / "corvane.log").string()});
    std::optional<std::pair<int, int>> icon;
    if (!corvane::x11test::waitUntil([&] { return (icon = trayIcon(session)).has_value(); })) {
        std::fprintf(stderr, "program_bench: no tray icon\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the tray lays its icons out once more
    icon = trayIcon(session);
    // Opened once before anything is measured: a program may make its panel only then.
    Player player(session);
    std::optional<xcb_window_t> panel;
    player.click(icon->first, icon->second);
    if (!corvane::x11test::waitUntil(
            [&] { return (panel = panelOf(session, program.pid())) && session.x().isViewable(*panel); })) {
        std::fprintf(stderr, "program_bench: the panel did not open\n");
        return 1;
    }
    player.key(kEscape);
    corvane::x11test::waitUntil([&] { return !session.x().isViewable(*panel); });
    std::this_thread::sleep_for(kPause);

    const auto mapped = [&](const xcb_generic_event_t& e) {
        return typeOf(e) == XCB_MAP_NOTIFY &&
               reinterpret_cast<const xcb_map_notify_event_t&>(e).window == *panel;
    };
    const auto unmapped = [&](const xcb_generic_event_t& e) {
        return typeOf(e) == XCB_UNMAP_NOTIFY &&
               reinterpret_cast<const xcb_unmap_notify_event_t&>(e).window == *panel;
    };
    const auto focused = [&](const xcb_generic_event_t& e) {
        return typeOf(e) == XCB_FOCUS_IN && reinterpret_cast<const xcb_focus_in_event_t&>(e).event == *panel;
    };
    std::vector<double> focusing;
    const auto openPanel = [&]() -> std::optional<double> {
        const auto start = Clock::now();
        player.click(icon->first, icon->second);
        if (!player.waitFor(mapped)) return std::nullopt;
        const double viewable = since(start);
        // A key typed now goes to the panel (Escape closes it).
        if (player.waitFor(focused)) focusing.push_back(since(start));
        return viewable;
    };
    player.select(*panel, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE);
    std::vector<double> opening;
    for (int run = 0; run < kRuns; ++run) {
        if (const auto took = openPanel()) opening.push_back(*took);
        player.key(kEscape);
        player.waitFor(unmapped);
        std::this_thread::sleep_for(kPause);
    }
    const auto panelFocus = focusing;

    // The switch key, until a game that did not have it gets the keyboard.
    for (const auto& game : games) player.select(game->window(), XCB_EVENT_MASK_FOCUS_CHANGE);
    const auto switchOnce = [&]() -> std::optional<double> {
        const auto before = session.x().activeWindow();
        const auto start = Clock::now();
        player.key(kGrave);
        const bool arrived = player.waitFor([&](const xcb_generic_event_t& e) {
            const auto& focus = reinterpret_cast<const xcb_focus_in_event_t&>(e);
            return typeOf(e) == XCB_FOCUS_IN && focus.mode == XCB_NOTIFY_MODE_NORMAL && focus.event != before;
        });
        return arrived ? std::optional(since(start)) : std::nullopt;
    };
    std::vector<double> closedSwitches;
    std::vector<double> openSwitches;
    for (int run = 0; run < kRuns; ++run) {
        if (const auto took = switchOnce()) closedSwitches.push_back(*took);
        std::this_thread::sleep_for(kPause);
        if (!openPanel()) continue;
        if (const auto took = switchOnce()) openSwitches.push_back(*took);
        player.waitFor(unmapped);  // the game has the focus: the panel closes
        std::this_thread::sleep_for(kPause);
    }
    report("tray icon click to the panel viewable", opening);
    report("tray icon click to the panel's focus", panelFocus);
    report("switch key to the game's focus, panel closed", closedSwitches);
    report("switch key to the game's focus, panel open", openSwitches);
    return 0;
}
