// The switch key until the next game has the keyboard, with the real program
// and three stand-in games, on each desktop in one run: Xvfb with openbox, and
// the XWayland of headless mutter, KWin, sway and weston. Medians and 95th
// percentiles of 50 presses each. Run as root: the compositors' X displays
// live in a mount and network namespace of the bench's own.
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "compositor_session.h"
#include "program_runner.h"
#include "x_session.h"

namespace {

using corvane::wltest::Compositor;
using corvane::wltest::CompositorSession;
using corvane::x11test::Environment;
using corvane::x11test::GameProcess;
using corvane::x11test::ProgramRunner;
using corvane::x11test::XInspector;
using corvane::x11test::XReply;
using corvane::x11test::XSession;
using Clock = std::chrono::steady_clock;

constexpr int kPresses = 50;
constexpr int kGames = 3;
constexpr xcb_keysym_t kGrave = 0x60;
constexpr std::chrono::milliseconds kAnswerTimeout{2000};
/// Between presses: past XTEST's same-millisecond repeat and the window manager's settling.
constexpr std::chrono::milliseconds kPause{80};
const std::string kSettings = R"({"layout": "stacked"})";

std::uint8_t typeOf(const xcb_generic_event_t& event) {
    return event.response_type & 0x7F;
}

/// A connection of the bench's own that presses the key and hears the games' focus.
class Player {
public:
    Player(const std::string& display, XInspector& x) : x_(x), c_(xcb_connect(display.c_str(), nullptr)) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player() { xcb_disconnect(c_); }

    [[nodiscard]] bool ok() const { return xcb_connection_has_error(c_) == 0; }

    void watchFocus(xcb_window_t window) {
        const std::uint32_t mask = XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }

    /// The switch key until a game other than `before` gets the keyboard, in milliseconds.
    std::optional<double> switchOnce(xcb_window_t before) {
        while (XReply<xcb_generic_event_t> stale{xcb_poll_for_event(c_)}) {
        }
        const auto keycode = x_.keycodeOf(kGrave);
        if (!keycode) return std::nullopt;
        const auto start = Clock::now();
        xcb_test_fake_input(c_, XCB_KEY_PRESS, *keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_test_fake_input(c_, XCB_KEY_RELEASE, *keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_flush(c_);
        const auto deadline = start + kAnswerTimeout;
        while (Clock::now() < deadline) {
            while (XReply<xcb_generic_event_t> event{xcb_poll_for_event(c_)}) {
                const auto& focus = reinterpret_cast<const xcb_focus_in_event_t&>(*event);
                if (typeOf(*event) == XCB_FOCUS_IN && focus.mode == XCB_NOTIFY_MODE_NORMAL &&
                    focus.event != before) {
                    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return std::nullopt;
    }

private:
    XInspector& x_;
    xcb_connection_t* c_;
};

struct Figures {
    std::string desktop;
    std::vector<double> took;
    int missed = 0;
    std::string note;
};

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values.at(index);
}

/// Starts corvane on the desktop and presses the switch key kPresses times.
Figures measure(const std::string& desktop, const Environment& environment, XInspector& x,
                const std::vector<std::unique_ptr<GameProcess>>& games, const std::filesystem::path& folder) {
    Figures figures{desktop, {}, 0, {}};
    std::string display;
    for (const auto& [name, value] : environment) {
        if (name == "DISPLAY") display = value;
        if (name == "XAUTHORITY") setenv("XAUTHORITY", value.c_str(), 1);
    }
    ProgramRunner runner(folder / "program", environment, folder / "program-config");
    runner.writeSettings(kSettings);
    auto program = runner.start();
    Player player(display, x);
    if (!player.ok()) return {desktop, {}, 0, "no connection to " + display};
    for (const auto& game : games) player.watchFocus(game->window());
    // Ready once the program has the key: the first press makes a game active.
    bool ready = false;
    for (int attempt = 0; attempt < 20 && !ready; ++attempt) {
        ready = player.switchOnce(x.activeWindow().value_or(XCB_WINDOW_NONE)).has_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    if (!ready) return {desktop, {}, 0, "no switch at all: the window manager activates no window"};
    for (int press = 0; press < kPresses; ++press) {
        const auto took = player.switchOnce(x.activeWindow().value_or(XCB_WINDOW_NONE));
        if (took) {
            figures.took.push_back(*took);
        } else {
            ++figures.missed;
        }
        std::this_thread::sleep_for(kPause);
    }
    program.stop();
    return figures;
}

std::vector<std::unique_ptr<GameProcess>> launchGames(auto& session) {
    constexpr std::array<const char*, kGames> kColours = {"C0392B", "8E44AD", "16A085"};
    std::vector<std::unique_ptr<GameProcess>> games;
    for (int i = 0; i < kGames; ++i) {
        games.push_back(
            session.launchGame({.number = i + 1, .color = kColours.at(static_cast<std::size_t>(i))}));
    }
    return games;
}

void report(const Figures& figures) {
    if (figures.took.empty()) {
        std::printf("%-16s %s\n", figures.desktop.c_str(), figures.note.c_str());
        return;
    }
    std::printf("%-16s median %6.2f ms   p95 %6.2f ms   (%zu presses, %d without an answer in 2 s)\n",
                figures.desktop.c_str(), percentile(figures.took, 0.5), percentile(figures.took, 0.95),
                figures.took.size(), figures.missed);
}

/// Each compositor's XWayland on a display nothing else on the machine reaches.
bool usePrivateXSockets() {
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    mkdir("/tmp/.X11-unix", 01777);
    return mount("tmpfs", "/tmp/.X11-unix", "tmpfs", 0, "mode=1777") == 0;
}

}  // namespace

int main() {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XAUTHORITY");
    if (!usePrivateXSockets()) {
        std::fprintf(stderr,
                     "desktop_switch_bench: run as root (a mount and network namespace of its own)\n");
        return 1;
    }
    std::printf("switch key to the next game's focus, %d presses, layout Stacked\n", kPresses);
    {
        XSession session;
        const auto games = launchGames(session);
        report(measure("Xvfb + openbox", {{"DISPLAY", session.display()}}, session.x(), games,
                       session.folder()));
    }
    for (const Compositor compositor :
         {Compositor::mutter, Compositor::kwin, Compositor::sway, Compositor::weston}) {
        const std::string name(corvane::wltest::name(compositor));
        if (const auto missing = CompositorSession::missingPrograms(compositor); !missing.empty()) {
            std::printf("%-16s %s\n", name.c_str(), missing.c_str());
            continue;
        }
        try {
            CompositorSession session(compositor);
            const auto games = launchGames(session);
            report(measure(name, session.desktop(), session.x(), games, session.folder()));
        } catch (const std::exception& error) {
            std::printf("%-16s did not start: %.120s\n", name.c_str(), error.what());
        }
    }
    return 0;
}
