// What the program costs on a real X server: a tick with other programs'
// windows around, arranging, and the time from a switch to the keyboard focus
// arriving in the game. Starts its own Xvfb and openbox; prints figures only.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "corvane/controller/controller.h"
#include "platform/store/json_defaults_store.h"
#include "platform/x11/x11_backend.h"
#include "x_session.h"

namespace {

/// Replies the program waited for: each is at most one round trip to the
/// server (replies of requests sent together arrive in one).
std::uint64_t& replyWaits() {
    static std::uint64_t count = 0;
    return count;
}

}  // namespace

// Counts the waits of every xcb reply function by standing in front of
// libxcb's own xcb_wait_for_reply (bench only).
extern "C" void* xcb_wait_for_reply(xcb_connection_t* c, unsigned int request, xcb_generic_error_t** e) {
    using Real = void* (*)(xcb_connection_t*, unsigned int, xcb_generic_error_t**);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "xcb_wait_for_reply"));
    ++replyWaits();
    return real(c, request, e);
}

namespace {

using corvane::Controller;
using corvane::x11test::GameProcess;
using corvane::x11test::GameSpec;
using corvane::x11test::XSession;

/// Games and other programs' windows on the session, and the controller on
/// the X11 backend in this process, for one benchmark.
class Desktop {
public:
    Desktop(XSession& session, int games, int others) : session_(session) {
        for (int i = 0; i < games; ++i) games_.push_back(session.launchGame({.number = i + 1}));
        for (int i = 0; i < others; ++i) {
            others_.push_back(session.launchGame({.number = 100 + i, .size = "200x150", .wmClass = "other"}));
        }
        backend_ = corvane::x11::X11Backend::open(session.display(), {"corvane"});
        store_ = std::make_unique<corvane::platform::JsonDefaultsStore>(session.newPath("settings.json"));
        controller_ = Controller::create(backend_->platform(*store_));
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    ~Desktop() {
        controller_.reset();
        backend_.reset();
        for (auto& game : games_) session_.quitGame(*game);
        for (auto& other : others_) session_.quitGame(*other);
    }

    [[nodiscard]] Controller& controller() { return *controller_; }
    [[nodiscard]] corvane::x11::X11Backend& backend() { return *backend_; }
    [[nodiscard]] std::vector<std::unique_ptr<GameProcess>>& games() { return games_; }

private:
    XSession& session_;
    std::vector<std::unique_ptr<GameProcess>> games_;
    std::vector<std::unique_ptr<GameProcess>> others_;
    std::unique_ptr<corvane::x11::X11Backend> backend_;
    std::unique_ptr<corvane::platform::JsonDefaultsStore> store_;
    std::shared_ptr<Controller> controller_;
};

void tickWithOtherWindows(benchmark::State& state, XSession& session) {
    Desktop desktop(session, 3, static_cast<int>(state.range(0)));
    const std::uint64_t waitsBefore = replyWaits();
    for (auto _ : state) desktop.controller().tick();
    state.counters["windows"] = static_cast<double>(3 + state.range(0));
    state.counters["replyWaits/tick"] =
        static_cast<double>(replyWaits() - waitsBefore) / static_cast<double>(state.iterations());
}

void applyLayout(benchmark::State& state, XSession& session) {
    Desktop desktop(session, static_cast<int>(state.range(0)), 0);
    desktop.controller().setLayout(corvane::Layout::sideBySide);
    for (auto _ : state) desktop.controller().applyLayout();
}

/// Waits for FocusIn on `window` on the inspector's connection, which
/// selected focus events on it.
bool waitForFocusIn(xcb_connection_t* c, xcb_window_t window) {
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (true) {
        while (corvane::x11test::XReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
            const auto type = static_cast<std::uint8_t>(event->response_type & 0x7FU);
            if (type == XCB_FOCUS_IN &&
                reinterpret_cast<const xcb_focus_in_event_t*>(event.get())->event == window) {
                return true;
            }
        }
        if (poll(&fd, 1, 5000) <= 0) return false;
    }
}

/// From focusClient to the game holding the keyboard focus: the controller's
/// steps (re-arranging in "Main + side"), the window manager's activation and
/// the game taking the focus.
void switchToFocus(benchmark::State& state, XSession& session) {
    Desktop desktop(session, static_cast<int>(state.range(0)), 0);
    auto* inspector = session.x().connection();
    for (const auto& game : desktop.games()) {
        const std::uint32_t mask = XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(inspector, game->window(), XCB_CW_EVENT_MASK, &mask);
    }
    session.x().sync();
    std::size_t next = 0;
    std::vector<double> seconds;
    for (auto _ : state) {
        auto& controller = desktop.controller();
        const auto start = std::chrono::steady_clock::now();
        controller.focusClient(controller.clients()[next]);
        desktop.backend().connection().flush();
        if (!waitForFocusIn(inspector, desktop.games()[next]->window())) {
            state.SkipWithError("the game never got the focus");
            break;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.SetIterationTime(seconds.back());
        next = (next + 1) % desktop.games().size();
    }
    if (!seconds.empty()) {
        std::nth_element(seconds.begin(), seconds.begin() + static_cast<std::ptrdiff_t>(seconds.size() / 2), seconds.end());
        state.counters["median_ms"] = seconds[seconds.size() / 2] * 1000.0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (const auto missing = XSession::missingPrograms(); !missing.empty()) {
        std::fprintf(stderr, "x11_bench: %s\n", missing.c_str());
        return 0;
    }
    XSession session;
    benchmark::RegisterBenchmark("Tick", tickWithOtherWindows, std::ref(session))
        ->Arg(0)
        ->Arg(50)
        ->Arg(200)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ApplyLayout", applyLayout, std::ref(session))
        ->Arg(2)
        ->Arg(5)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SwitchToFocus", switchToFocus, std::ref(session))
        ->Arg(3)
        ->Iterations(100)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
