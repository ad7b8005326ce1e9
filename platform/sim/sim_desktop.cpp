#include "platform/sim/sim_desktop.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/sim/sim_services.h"

namespace corvane::sim {

SimDesktop::SimDesktop()
    : workspace_(std::make_unique<SimWorkspace>(*this)),
      processInfo_(std::make_unique<SimProcessInfo>(*this)),
      accessibility_(std::make_unique<SimAccessibility>(*this)),
      screens_(std::make_unique<SimScreens>(*this)),
      defaults_(std::make_unique<SimDefaults>(calls_)),
      hotKeys_(std::make_unique<SimHotKeys>(calls_)),
      windows_(std::make_unique<SimWindows>(calls_)),
      capture_(std::make_unique<SimCapture>(*this, calls_, queue_)),
      screenList_{{{0, 0, 1440, 900}, {0, 0, 1440, 875}}} {}

SimDesktop::~SimDesktop() {
    // Queued tasks may own the program's objects (a preview waiting for its
    // stream to stop); they go while the services they use still exist.
    capture_->held.clear();
    queue_.discardAll();
}

platform::Platform SimDesktop::platform() {
    return {*workspace_, *processInfo_, *accessibility_, *screens_, *defaults_,
            queue_,      *hotKeys_,     *windows_,       *capture_};
}

void SimDesktop::addApp(SimApp app) {
    apps_.push_back(std::move(app));
}

void SimDesktop::addGame(platform::Pid pid, double launchSeconds) {
    addApp({"com.blizzard.worldofwarcraft", pid, platform::Date{launchSeconds}, false, false});
}

void SimDesktop::removeApp(platform::Pid pid) {
    apps_.erase(std::remove_if(apps_.begin(), apps_.end(), [pid](const SimApp& a) { return a.pid == pid; }),
                apps_.end());
    windows_list_.erase(std::remove_if(windows_list_.begin(), windows_list_.end(),
                                       [pid](const SimWindow& w) { return w.pid == pid; }),
                        windows_list_.end());
    if (frontmost_ == pid) frontmost_.reset();
}

SimApp& SimDesktop::app(platform::Pid pid) {
    auto it = std::find_if(apps_.begin(), apps_.end(), [pid](const SimApp& a) { return a.pid == pid; });
    if (it == apps_.end()) throw std::out_of_range("no simulated app with that pid");
    return *it;
}

platform::WindowRef SimDesktop::addWindow(platform::Pid pid, platform::Rect frame) {
    const platform::WindowRef ref = nextWindowRef_++;
    windows_list_.push_back({ref, pid, frame});
    return ref;
}

void SimDesktop::removeWindow(platform::WindowRef ref) {
    windows_list_.erase(std::remove_if(windows_list_.begin(), windows_list_.end(),
                                       [ref](const SimWindow& w) { return w.ref == ref; }),
                        windows_list_.end());
}

SimWindow& SimDesktop::window(platform::WindowRef ref) {
    auto it = std::find_if(windows_list_.begin(), windows_list_.end(),
                           [ref](const SimWindow& w) { return w.ref == ref; });
    if (it == windows_list_.end()) throw std::out_of_range("no simulated window with that ref");
    return *it;
}

std::vector<platform::WindowRef> SimDesktop::windowsOf(platform::Pid pid) const {
    std::vector<platform::WindowRef> out;
    for (const auto& w : windows_list_) {
        if (w.pid == pid) out.push_back(w.ref);
    }
    return out;
}

void SimDesktop::setScreens(std::vector<platform::Screen> screens) {
    screenList_ = std::move(screens);
}
void SimDesktop::setMainScreen(std::optional<platform::Screen> screen) {
    mainScreen_ = std::move(screen);
}

platform::DefaultsStore& SimDesktop::defaults() {
    return *defaults_;
}

std::map<std::string, platform::DefaultsValue> SimDesktop::defaultsContents() const {
    return {defaults_->values().begin(), defaults_->values().end()};
}

void SimDesktop::takeHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    hotKeys_->take(keyCode, modifiers);
}

void SimDesktop::removeKey(std::uint32_t keyCode) {
    hotKeys_->removeKey(keyCode);
}

std::optional<std::int32_t> SimDesktop::pressHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    return hotKeys_->press(keyCode, modifiers);
}

std::optional<std::int32_t> SimDesktop::deliverHotKeyEvent(const platform::HotKeyEvent* event) {
    return hotKeys_->deliver(event);
}

std::map<platform::HotKeyRef, SimDesktop::RegisteredHotKey> SimDesktop::registeredHotKeys() const {
    return hotKeys_->registered();
}

bool SimDesktop::hotKeyHandlerInstalled() const {
    return hotKeys_->handlerInstalled();
}

std::vector<SimDesktop::BorderState*> SimDesktop::borders() const {
    return windows_->borders();
}
std::vector<SimDesktop::PanelState*> SimDesktop::panels() const {
    return windows_->panels();
}

void SimDesktop::setCaptureRefused(bool refused) {
    capture_->captureRefused = refused;
}
void SimDesktop::setOutputRefused(bool refused) {
    capture_->outputRefused = refused;
}
void SimDesktop::setStartRefused(bool refused) {
    capture_->startRefused = refused;
}
void SimDesktop::setHoldCompletions(bool hold) {
    capture_->holdCompletions = hold;
}
std::size_t SimDesktop::heldCompletions() const {
    return capture_->held.size();
}

void SimDesktop::releaseCompletion() {
    if (capture_->held.empty()) return;
    queue_.post(std::move(capture_->held.front()));
    capture_->held.pop_front();
}

std::vector<SimDesktop::StreamState*> SimDesktop::streams() const {
    std::vector<StreamState*> out;
    for (const auto& s : capture_->streams) out.push_back(s.get());
    return out;
}

}  // namespace corvane::sim
