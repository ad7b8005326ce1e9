#include <algorithm>

#include "platform/sim/sim_services.h"

namespace corvane::sim {

bool SimAccessibility::isProcessTrusted() {
    return desktop_.trusted_;
}

void SimAccessibility::requestTrust() {
    desktop_.calls_.record("requestTrust");
    ++desktop_.trustPrompts_;
}

SimWindow* SimAccessibility::find(platform::WindowRef window) {
    if (!desktop_.trusted_) return nullptr;
    auto& list = desktop_.windows_list_;
    auto it =
        std::find_if(list.begin(), list.end(), [window](const SimWindow& w) { return w.ref == window; });
    return it == list.end() ? nullptr : &*it;
}

std::optional<std::vector<platform::WindowRef>> SimAccessibility::windows(platform::Pid pid) {
    desktop_.calls_.record(format("windows {}", pid));
    if (!desktop_.trusted_) return std::nullopt;
    const auto& apps = desktop_.apps_;
    auto app = std::find_if(apps.begin(), apps.end(), [pid](const SimApp& a) { return a.pid == pid; });
    if (app == apps.end() || app->terminated || app->windowListUnreadable) return std::nullopt;
    return desktop_.windowsOf(pid);
}

std::optional<platform::Point> SimAccessibility::position(platform::WindowRef window) {
    desktop_.calls_.record(format("position w{}", window));
    const SimWindow* w = find(window);
    if (w == nullptr || w->positionUnreadable) return std::nullopt;
    return w->frame.origin();
}

std::optional<platform::Size> SimAccessibility::size(platform::WindowRef window) {
    desktop_.calls_.record(format("size w{}", window));
    const SimWindow* w = find(window);
    if (w == nullptr || w->sizeUnreadable) return std::nullopt;
    return w->frame.size();
}

void SimAccessibility::setPosition(platform::WindowRef window, platform::Point position) {
    desktop_.calls_.record(format("setPosition w{} {}", window, describe(position)));
    SimWindow* w = find(window);
    if (w == nullptr || w->writesIgnored) return;
    w->frame.x = position.x;
    w->frame.y = position.y;
}

void SimAccessibility::setSize(platform::WindowRef window, platform::Size size) {
    desktop_.calls_.record(format("setSize w{} {}", window, describe(size)));
    SimWindow* w = find(window);
    if (w == nullptr || w->writesIgnored) return;
    w->frame.width = size.width;
    w->frame.height = size.height;
}

void SimAccessibility::raise(platform::WindowRef window) {
    desktop_.calls_.record(format("raise w{}", window));
}

}  // namespace corvane::sim
