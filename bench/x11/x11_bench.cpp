// What the program costs on a real X server: a tick with other programs'
// windows around, the time from a switch-key press to the keyboard focus
// arriving in the game (beside the same switch done by xdotool), the CPU a
// live preview takes per frame (beside xcb_get_image), and the memory in use.
// Starts its own Xvfb and openbox; prints figures only. Uses only the
// backend's and the controller's public interface, so that it also builds
// against earlier versions for before-and-after figures.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcbext.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "corvane/controller/controller.h"
#include "platform/store/json_defaults_store.h"
#include "platform/x11/x11_backend.h"
#include "x_session.h"

namespace {

/// Replies the program waited for, and of those the ones not in yet when the
/// wait began: each of these is one round trip to the server (replies of
/// requests sent together arrive together and are read at once).
struct ReplyCounts {
    std::uint64_t waits = 0;
    std::uint64_t roundTrips = 0;
};

ReplyCounts& replyCounts() {
    static ReplyCounts counts;
    return counts;
}

}  // namespace

// Counts the waits of every xcb reply function by standing in front of
// libxcb's own xcb_wait_for_reply (bench only).
extern "C" void* xcb_wait_for_reply(xcb_connection_t* c, unsigned int request, xcb_generic_error_t** e) {
    using Real = void* (*)(xcb_connection_t*, unsigned int, xcb_generic_error_t**);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "xcb_wait_for_reply"));
    ++replyCounts().waits;
    void* reply = nullptr;
    if (e != nullptr) *e = nullptr;
    if (xcb_poll_for_reply(c, request, &reply, e) == 1) return reply;
    ++replyCounts().roundTrips;
    return real(c, request, e);
}

namespace {

using corvane::Controller;
using corvane::x11test::ChildProcess;
using corvane::x11test::GameProcess;
using corvane::x11test::XSession;
using Clock = std::chrono::steady_clock;

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

/// Resident memory of this process in MiB, from /proc.
double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

/// `count` managed top-level windows of another program (this process, on a
/// connection of its own), as a desktop full of other applications has.
class OtherWindows {
public:
    OtherWindows(XSession& session, int count)
        : connection_(xcb_connect(session.display().c_str(), nullptr)) {
        auto* c = connection_;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const xcb_atom_t pidAtom = session.x().atom("_NET_WM_PID");
        const auto pid = static_cast<std::uint32_t>(getpid());
        constexpr std::string_view kClass{"other\0Other\0", 12};
        for (int i = 0; i < count; ++i) {
            const xcb_window_t window = xcb_generate_id(c);
            xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root,
                              static_cast<std::int16_t>(i % 40 * 30), static_cast<std::int16_t>(i / 40 * 40),
                              200, 150, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                                static_cast<std::uint32_t>(kClass.size()), kClass.data());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, pidAtom, XCB_ATOM_CARDINAL, 32, 1, &pid);
            xcb_map_window(c, window);
            windows_.push_back(window);
        }
        xcb_flush(c);
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < deadline) {
            const auto listed = session.x().clientList();
            const auto managed = std::count_if(windows_.begin(), windows_.end(), [&](xcb_window_t w) {
                return std::find(listed.begin(), listed.end(), w) != listed.end();
            });
            if (managed == count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    OtherWindows(const OtherWindows&) = delete;
    OtherWindows& operator=(const OtherWindows&) = delete;
    ~OtherWindows() { xcb_disconnect(connection_); }

private:
    xcb_connection_t* connection_;
    std::vector<xcb_window_t> windows_;
};

/// Games and other programs' windows on the session, and the controller on
/// the X11 backend in this process, for one benchmark.
class Desktop {
public:
    Desktop(XSession& session, int games, int others, const std::string& gameSize = "800x600")
        : session_(session) {
        for (int i = 0; i < games; ++i)
            games_.push_back(session.launchGame({.number = i + 1, .size = gameSize}));
        if (others > 0) others_ = std::make_unique<OtherWindows>(session, others);
        backend_ = corvane::x11::X11Backend::open(session.display(), {"corvane"});
        store_ = std::make_unique<corvane::platform::JsonDefaultsStore>(session.newPath("settings.json"));
        controller_ = Controller::create(backend_->platform(*store_));
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    ~Desktop() {
        controller_.reset();
        backend_.reset();
        others_.reset();
        for (auto& game : games_) session_.quitGame(*game);
    }

    [[nodiscard]] Controller& controller() { return *controller_; }
    [[nodiscard]] corvane::x11::X11Backend& backend() { return *backend_; }
    [[nodiscard]] std::vector<std::unique_ptr<GameProcess>>& games() { return games_; }

    /// Lets the backend hear of everything the server did so far.
    void settle() {
        auto* c = backend_->connection().get();
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        backend_->loop().runFor(0);
    }
    /// Runs the program's loop until `done` or 5 seconds.
    bool runUntil(const std::function<bool()>& done) {
        const auto heartbeat = backend_->loop().scheduleRepeating(0.002, [] {});
        return backend_->loop().runUntil(done, 5.0);
    }
    /// Makes `game` active through the window manager, as a click would, and waits for it.
    void activate(const GameProcess& game) {
        session_.x().activate(game.window());
        runUntil([&] { return session_.x().activeWindow() == game.window(); });
        settle();
    }

private:
    XSession& session_;
    std::vector<std::unique_ptr<GameProcess>> games_;
    std::unique_ptr<OtherWindows> others_;
    std::unique_ptr<corvane::x11::X11Backend> backend_;
    std::unique_ptr<corvane::platform::JsonDefaultsStore> store_;
    std::shared_ptr<Controller> controller_;
};

void countReplies(benchmark::State& state, const ReplyCounts& before, double ticks) {
    state.counters["replyWaits/tick"] = static_cast<double>(replyCounts().waits - before.waits) / ticks;
    state.counters["roundTrips/tick"] =
        static_cast<double>(replyCounts().roundTrips - before.roundTrips) / ticks;
}

/// An idle tick: `games` games, one of them in front, and `others` other windows; nothing changes.
void idleTick(benchmark::State& state, XSession& session, int games) {
    Desktop desktop(session, games, static_cast<int>(state.range(0)));
    desktop.activate(*desktop.games().front());
    desktop.controller().tick();
    const ReplyCounts before = replyCounts();
    for (auto _ : state) desktop.controller().tick();
    state.counters["windows"] = static_cast<double>(games + state.range(0));
    countReplies(state, before, static_cast<double>(state.iterations()));
}

/// A tick right after the user made another game active (layout Main + side:
/// the tick re-arranges and moves the border).
void tickAfterChange(benchmark::State& state, XSession& session) {
    Desktop desktop(session, 3, static_cast<int>(state.range(0)));
    std::size_t next = 0;
    ReplyCounts counted;
    for (auto _ : state) {
        desktop.activate(*desktop.games()[next]);
        const ReplyCounts before = replyCounts();
        const auto start = Clock::now();
        desktop.controller().tick();
        state.SetIterationTime(seconds(Clock::now() - start));
        counted.waits += replyCounts().waits - before.waits;
        counted.roundTrips += replyCounts().roundTrips - before.roundTrips;
        next = (next + 1) % desktop.games().size();
    }
    const auto ticks = static_cast<double>(state.iterations());
    state.counters["replyWaits/tick"] = static_cast<double>(counted.waits) / ticks;
    state.counters["roundTrips/tick"] = static_cast<double>(counted.roundTrips) / ticks;
}

/// Reads FocusIn events of the inspector's connection as they come, from the program's loop.
class FocusWatch {
public:
    /// Watches on a connection and a thread of its own, so the time taken is the
    /// moment the server reports the focus, not when this process's loop gets to it.
    FocusWatch(XSession& session, Desktop& desktop)
        : connection_(xcb_connect(session.display().c_str(), nullptr)),
          wakeWindow_(xcb_generate_id(connection_)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, wakeWindow_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        for (const auto& game : desktop.games()) {
            const std::uint32_t mask = XCB_EVENT_MASK_FOCUS_CHANGE;
            xcb_change_window_attributes(connection_, game->window(), XCB_CW_EVENT_MASK, &mask);
        }
        // Activation requests are sent to the root for the window manager; a listener sees them too.
        const std::uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, screen->root, XCB_CW_EVENT_MASK, &rootMask);
        activeWindowAtom_ = session.x().atom("_NET_ACTIVE_WINDOW");
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        thread_ = std::thread([this] { watch(); });
    }
    FocusWatch(const FocusWatch&) = delete;
    FocusWatch& operator=(const FocusWatch&) = delete;
    ~FocusWatch() {
        stop_ = true;
        xcb_client_message_event_t wake{};
        wake.response_type = XCB_CLIENT_MESSAGE;
        wake.format = 32;
        wake.window = wakeWindow_;
        xcb_send_event(connection_, 0, wakeWindow_, 0, reinterpret_cast<const char*>(&wake));
        xcb_flush(connection_);
        thread_.join();
        xcb_disconnect(connection_);
    }
    void expect(xcb_window_t window) {
        arrivedNs_ = 0;
        requestedNs_ = 0;
        expected_ = window;
    }
    /// When the game got the focus.
    [[nodiscard]] std::optional<Clock::time_point> arrived() const { return timePoint(arrivedNs_); }
    /// When the request to activate it reached the window manager's inbox.
    [[nodiscard]] std::optional<Clock::time_point> requested() const { return timePoint(requestedNs_); }

private:
    static std::optional<Clock::time_point> timePoint(const std::atomic<std::int64_t>& ns) {
        if (ns == 0) return std::nullopt;
        return Clock::time_point(std::chrono::nanoseconds(ns.load()));
    }
    static void stamp(std::atomic<std::int64_t>& ns) {
        if (ns == 0) {
            ns =
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
        }
    }
    void watch() {
        while (!stop_) {
            corvane::x11test::XReply<xcb_generic_event_t> event{xcb_wait_for_event(connection_)};
            if (!event) return;
            const auto type = static_cast<std::uint8_t>(event->response_type & 0x7FU);
            if (type == XCB_FOCUS_IN) {
                if (reinterpret_cast<const xcb_focus_in_event_t*>(event.get())->event == expected_)
                    stamp(arrivedNs_);
            } else if (type == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event.get());
                if (message->type == activeWindowAtom_ && message->window == expected_) stamp(requestedNs_);
            }
        }
    }

    xcb_connection_t* connection_;
    xcb_window_t wakeWindow_;
    std::atomic<xcb_window_t> expected_{XCB_WINDOW_NONE};
    xcb_atom_t activeWindowAtom_ = XCB_ATOM_NONE;
    std::atomic<std::int64_t> arrivedNs_{0};
    std::atomic<std::int64_t> requestedNs_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

/// Times from the start of each switch: to the game's focus, and to the
/// activation request reaching the window manager (the switcher's own part).
struct Latencies {
    std::vector<double> focus;
    std::vector<double> request;

    void add(const FocusWatch& watch, Clock::time_point start) {
        focus.push_back(seconds(*watch.arrived() - start));
        if (const auto requested = watch.requested()) request.push_back(seconds(*requested - start));
    }
    void report(benchmark::State& state) const {
        state.counters["median_ms"] = percentile(focus, 0.5) * 1000.0;
        state.counters["p95_ms"] = percentile(focus, 0.95) * 1000.0;
        state.counters["request_median_ms"] = percentile(request, 0.5) * 1000.0;
        state.counters["switches"] = static_cast<double>(focus.size());
    }
};

constexpr int kSwitches = 200;

/// From the switch key going down (XTEST) to the next game holding the keyboard
/// focus; in "Main + side" (argument 0) every switch also re-arranges the games,
/// in "Stacked" (1) nothing moves.
void switchKeyToFocus(benchmark::State& state, XSession& session) {
    Desktop desktop(session, 3, 0);
    desktop.controller().setLayout(state.range(0) == 0 ? corvane::Layout::mainPlusSide
                                                       : corvane::Layout::stacked);
    desktop.controller().focusClient(desktop.controller().clients()[0]);
    FocusWatch focus(session, desktop);
    desktop.runUntil([&] { return session.x().activeWindow() == desktop.games()[0]->window(); });
    const auto keycode = session.x().keycodeOf(0x60);  // grave, the default switch key
    auto* x = session.x().connection();
    Latencies latencies;
    for (auto _ : state) {
        for (int press = 1; press <= kSwitches; ++press) {
            const auto& target = *desktop.games()[static_cast<std::size_t>(press) % desktop.games().size()];
            focus.expect(target.window());
            const auto start = Clock::now();
            xcb_test_fake_input(x, XCB_KEY_PRESS, *keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
            xcb_test_fake_input(x, XCB_KEY_RELEASE, *keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
            xcb_flush(x);
            if (!desktop.runUntil([&] { return focus.arrived().has_value(); })) {
                state.SkipWithError("a game never got the focus");
                return;
            }
            latencies.add(focus, start);
            // A press in the same millisecond as the last release reads as the key
            // repeating; no hand is that quick.
            desktop.backend().loop().runFor(0.005);
        }
    }
    latencies.report(state);
}

/// The same switch done the usual scripted way: `xdotool windowactivate`.
void xdotoolToFocus(benchmark::State& state, XSession& session) {
    Desktop desktop(session, 3, 0);
    FocusWatch focus(session, desktop);
    const std::string xdotool = XSession::findInPath("xdotool");
    if (xdotool.empty()) {
        state.SkipWithError("xdotool is not installed");
        return;
    }
    Latencies latencies;
    for (auto _ : state) {
        for (int press = 1; press <= kSwitches; ++press) {
            const auto& target = *desktop.games()[static_cast<std::size_t>(press) % desktop.games().size()];
            focus.expect(target.window());
            const auto start = Clock::now();
            auto child =
                ChildProcess::spawn({.argv = {xdotool, "windowactivate", std::to_string(target.window())},
                                     .environment = {{"DISPLAY", session.display()}}});
            if (!desktop.runUntil([&] { return focus.arrived().has_value(); })) {
                state.SkipWithError("xdotool never gave a game the focus");
                return;
            }
            latencies.add(focus, start);
            child.waitForExit(std::chrono::seconds(5));
        }
    }
    latencies.report(state);
}

/// Draws into a window from a connection and a thread of its own, as fast as
/// the server takes it, so that the window changes all the time like a game.
class Animator {
public:
    Animator(const std::string& display, xcb_window_t window) {
        thread_ = std::thread([this, display, window] {
            xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
            const xcb_gcontext_t gc = xcb_generate_id(c);
            xcb_create_gc(c, gc, window, 0, nullptr);
            for (std::uint32_t frame = 0; !stop_; ++frame) {
                const std::uint32_t colour = frame * 0x010305U;
                xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
                const xcb_rectangle_t area{0, 0, 1280, 720};
                xcb_poly_fill_rectangle(c, window, gc, 1, &area);
                std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
                std::this_thread::sleep_for(std::chrono::milliseconds(16));  // about 60 changes a second
            }
            xcb_disconnect(c);
        });
    }
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;
    ~Animator() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

/// Counts frames and shows each one in a panel, as a live preview does.
class ShowingDelegate final : public corvane::platform::StreamDelegate {
public:
    explicit ShowingDelegate(corvane::platform::Panel& panel) : panel_(panel) {}
    void streamDidOutput(const corvane::platform::SampleBuffer& buffer,
                         corvane::platform::StreamOutputType /*type*/) override {
        ++frames;
        panel_.setContents(buffer.surface);
    }
    void streamDidStop() override {}
    int frames = 0;

private:
    corvane::platform::Panel& panel_;
};

class QuietContent final : public corvane::platform::PanelContent {
public:
    void mouseUp(int /*clickCount*/) override {}
    void mouseDragged() override {}
};

/// CPU time of the program's thread per preview frame of a 1280x720 game
/// that changes all the time: damage reports, frame delivery, the panel's composite.
void previewFrame(benchmark::State& state, XSession& session, bool labelled) {
    Desktop desktop(session, 1, 0, "1280x720");
    auto& backend = desktop.backend();
    const xcb_window_t game = desktop.games().front()->window();
    QuietContent content;
    auto panel = backend.windows().createPanel({900, 100, 420, 236}, content);
    // With "Show names on previews" on: the slot's name and its colour band drawn on every frame.
    if (labelled) panel->setLabel(corvane::platform::PanelLabel{"Window 1", {0.2, 0.78, 0.35, 1.0}});
    panel->orderFrontRegardless();
    auto delegate = std::make_shared<ShowingDelegate>(*panel);
    corvane::platform::ShareableWindow window;
    window.windowID = game;
    auto stream = backend.capture().createStream(
        window, {1280, 720, 1.0 / 15, false, 3, corvane::platform::kPixelFormatBGRA}, delegate);
    stream->addStreamOutput(corvane::platform::StreamOutputType::screen);
    std::optional<bool> started;
    stream->startCapture([&](bool ok) { started = ok; });
    desktop.runUntil([&] { return started.has_value(); });
    if (!started.value_or(false)) {
        state.SkipWithError("the capture did not start");
        return;
    }
    const Animator animator(session.display(), game);
    // The loop as the program runs it: asleep until X or a timer wakes it.
    const auto runFor = [&](double duration) {
        const auto stop = backend.loop().scheduleRepeating(duration, [&] { backend.loop().quit(); });
        backend.loop().run();
    };
    runFor(1.0);  // settle
    for (auto _ : state) {
        const int framesBefore = delegate->frames;
        const double cpuBefore = threadCpuSeconds();
        const auto start = Clock::now();
        runFor(5.0);
        const double cpu = threadCpuSeconds() - cpuBefore;
        const int frames = delegate->frames - framesBefore;
        state.counters["frames"] = frames;
        state.counters["fps"] = frames / seconds(Clock::now() - start);
        state.counters["cpu_us/frame"] = frames > 0 ? cpu / frames * 1e6 : 0;
    }
    stream->stopCapture([] {});
}

/// The same 1280x720 window captured by reading its pixels with xcb_get_image.
void getImageFrame(benchmark::State& state, XSession& session) {
    Desktop desktop(session, 1, 0, "1280x720");
    const xcb_window_t game = desktop.games().front()->window();
    xcb_connection_t* c = xcb_connect(session.display().c_str(), nullptr);
    double cpu = 0;
    double wall = 0;
    int frames = 0;
    for (auto _ : state) {
        const double cpuBefore = threadCpuSeconds();
        const auto start = Clock::now();
        std::free(xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, game, 0, 0, 1280, 720, ~0U), nullptr));
        cpu += threadCpuSeconds() - cpuBefore;
        wall += seconds(Clock::now() - start);
        ++frames;
    }
    xcb_disconnect(c);
    state.counters["cpu_us/frame"] = cpu / frames * 1e6;
    state.counters["wall_us/frame"] = wall / frames * 1e6;
}

/// Sleeps until the next frame of a 15-a-second clock, as a loop waiting for its
/// timer does, then runs `frame`; CPU time of this thread per frame.
template <typename Frame>
double cpuPerClockedFrame(int frames, Frame frame) {
    const double cpuBefore = threadCpuSeconds();
    for (int i = 0; i < frames; ++i) {
        poll(nullptr, 0, 1000 / 15);
        frame();
    }
    return (threadCpuSeconds() - cpuBefore) / frames;
}

/// Capturing with xcb_get_image at the preview's 15 frames a second: the same
/// wake-ups as the preview, and a copy of the pixels instead of a composite
/// (scaling and showing them would come on top).
void getImageAt15fps(benchmark::State& state, XSession& session) {
    Desktop desktop(session, 1, 0, "1280x720");
    const xcb_window_t game = desktop.games().front()->window();
    xcb_connection_t* c = xcb_connect(session.display().c_str(), nullptr);
    const Animator animator(session.display(), game);
    for (auto _ : state) {
        state.counters["cpu_us/frame"] =
            1e6 * cpuPerClockedFrame(75, [&] {
                std::free(xcb_get_image_reply(
                    c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, game, 0, 0, 1280, 720, ~0U), nullptr));
            });
    }
    xcb_disconnect(c);
}

/// What any preview that wakes on a 15-a-second clock and sends the server one
/// request per frame pays at least on this machine: the wake-up and the write.
void clockedRequestFloor(benchmark::State& state, XSession& session) {
    xcb_connection_t* c = xcb_connect(session.display().c_str(), nullptr);
    for (auto _ : state) {
        state.counters["cpu_us/frame"] = 1e6 * cpuPerClockedFrame(75, [&] {
                                             xcb_no_operation(c);
                                             xcb_flush(c);
                                         });
    }
    xcb_disconnect(c);
}

/// Resident memory with three games and their previews on, after the previews run a while.
void residentMemory(benchmark::State& state, XSession& session) {
    for (auto _ : state) {
        const double before = residentMiB();
        Desktop desktop(session, 3, 0);
        desktop.controller().setShowPreview(true);
        desktop.backend().loop().runFor(3.0);
        state.counters["rss_MiB"] = residentMiB();
        state.counters["rss_growth_MiB"] = residentMiB() - before;
        state.counters["previews"] = static_cast<double>(desktop.controller().backgroundClients().size());
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
    benchmark::RegisterBenchmark("IdleTick/3games", idleTick, std::ref(session), 3)
        ->ArgName("others")
        ->Arg(0)
        ->Arg(50)
        ->Arg(200)
        ->Arg(500)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("IdleTick/10games", idleTick, std::ref(session), 10)
        ->ArgName("others")
        ->Arg(490)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("TickAfterActivation/3games", tickAfterChange, std::ref(session))
        ->ArgName("others")
        ->Arg(0)
        ->Iterations(30)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SwitchKeyToFocus", switchKeyToFocus, std::ref(session))
        ->ArgName("stacked")
        ->Arg(0)
        ->Arg(1)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("XdotoolWindowactivateToFocus", xdotoolToFocus, std::ref(session))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PreviewFrame/1280x720", previewFrame, std::ref(session), false)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PreviewFrame/1280x720/labelled", previewFrame, std::ref(session), true)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("GetImage/1280x720", getImageFrame, std::ref(session))
        ->Iterations(100)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("GetImageAt15fps/1280x720", getImageAt15fps, std::ref(session))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ClockedRequestFloor", clockedRequestFloor, std::ref(session))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResidentMemory/3gamesWithPreviews", residentMemory, std::ref(session))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
