#include "x11_controller_test.h"

#include <cstdlib>

#include "expected_layout.h"

namespace corvane::x11test {

void X11ControllerTest::SetUp() {
    X11Test::SetUp();
    if (IsSkipped()) return;
    // Each test starts from no settings; the session's folder is removed at the end.
    configHome_ = session().newPath("config");
    std::filesystem::create_directories(configHome_);
    if (const char* previous = std::getenv("XDG_CONFIG_HOME")) previousConfigHome_ = previous;
    setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
}

void X11ControllerTest::TearDown() {
    stopController();
    if (previousConfigHome_) {
        setenv("XDG_CONFIG_HOME", previousConfigHome_->c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    X11Test::TearDown();
}

Controller& X11ControllerTest::startController(std::vector<std::string> arguments) {
    backend_ = x11::X11Backend::open(session().display(), std::move(arguments));
    if (!backend_) throw std::runtime_error("the backend cannot open " + session().display());
    store_ = std::make_unique<platform::JsonDefaultsStore>(platform::JsonDefaultsStore::defaultPath());
    controller_ = Controller::create(backend_->platform(*store_));
    return *controller_;
}

void X11ControllerTest::stopController() {
    controller_.reset();
    store_.reset();
    backend_.reset();
}

bool X11ControllerTest::runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    // The loop sleeps until X or a timer wakes it; conditions on other
    // processes need a look more often than the 0.4-second tick.
    const auto heartbeat = backend_->loop().scheduleRepeating(0.005, [] {});
    return backend_->loop().runUntil(condition, std::chrono::duration<double>(timeout).count());
}

void X11ControllerTest::settleBackend() {
    auto* c = backend_->connection().get();
    // The reply comes after every error of the requests before it.
    x11::XcbPtr<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    bool handled = false;
    backend_->loop().post([&handled] { handled = true; });
    runUntil([&handled] { return handled; });
}

std::filesystem::path X11ControllerTest::settingsFile() const {
    return configHome_ / "corvane" / "settings.json";
}

platform::Rect X11ControllerTest::usableArea() {
    return x11test::usableArea(session().primaryMonitor(), x().workArea());
}

std::vector<platform::Rect> X11ControllerTest::expectedFrames(Layout layout) {
    const auto& clients = controller().clients();
    std::size_t activeIndex = 0;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        if (clients[i].pid == controller().activePid()) activeIndex = i;
    }
    return expectedFrames(layout, clients.size(), activeIndex, controller().mainShare());
}

std::vector<platform::Rect> X11ControllerTest::expectedFrames(Layout layout, std::size_t count,
                                                              std::size_t activeIndex, double mainShare) {
    return x11test::expectedFrames(layout, count, activeIndex, mainShare, session().primaryMonitor(),
                                   usableArea());
}

std::vector<platform::Rect> X11ControllerTest::outerFrames(const std::vector<GameProcess*>& games) {
    std::vector<platform::Rect> frames;
    frames.reserve(games.size());
    for (auto* game : games) frames.push_back(x().outerFrame(game->window()).value_or(platform::Rect{}));
    return frames;
}

std::vector<platform::Pid> X11ControllerTest::pids(const std::vector<WowClient>& clients) {
    std::vector<platform::Pid> result;
    result.reserve(clients.size());
    for (const auto& client : clients) result.push_back(client.pid);
    return result;
}

std::vector<platform::Pid> X11ControllerTest::pids(const std::vector<GameProcess*>& games) {
    std::vector<platform::Pid> result;
    result.reserve(games.size());
    for (const auto* game : games) result.push_back(game->pid());
    return result;
}

}  // namespace corvane::x11test
