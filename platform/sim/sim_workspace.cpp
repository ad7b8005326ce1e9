#include <algorithm>

#include "platform/sim/sim_services.h"

namespace corvane::sim {

std::string describe(const platform::Rect& r) {
    return format("{},{},{},{}", r.x, r.y, r.width, r.height);
}
std::string describe(const platform::Point& p) {
    return format("{},{}", p.x, p.y);
}
std::string describe(const platform::Size& s) {
    return format("{},{}", s.width, s.height);
}

std::vector<platform::RunningApplication> SimWorkspace::runningApplications() {
    desktop_.calls_.record("runningApplications");
    std::vector<platform::RunningApplication> out;
    out.reserve(desktop_.apps_.size());
    for (const auto& app : desktop_.apps_) {
        out.push_back({app.bundleIdentifier, app.terminated, app.pid, app.launchDate});
    }
    return out;
}

std::optional<platform::Pid> SimWorkspace::frontmostApplicationPid() {
    desktop_.calls_.record("frontmost");
    return desktop_.frontmost_;
}

bool SimWorkspace::activateApplication(platform::Pid pid) {
    desktop_.calls_.record(format("activate {}", pid));
    const auto& apps = desktop_.apps_;
    const bool found = std::any_of(apps.begin(), apps.end(),
                                   [pid](const SimApp& a) { return a.pid == pid && !a.terminated; });
    if (found) desktop_.frontmost_ = pid;
    return found;
}

std::optional<std::string> SimWorkspace::launchIdentity(platform::Pid pid) {
    desktop_.calls_.record(format("launchIdentity {}", pid));
    const auto& apps = desktop_.apps_;
    const auto app = std::find_if(apps.begin(), apps.end(), [pid](const SimApp& a) { return a.pid == pid; });
    return app != apps.end() ? app->launchIdentity : std::nullopt;
}

std::vector<std::string> SimProcessInfo::arguments() {
    return desktop_.arguments_;
}

std::vector<platform::Screen> SimScreens::screens() {
    desktop_.calls_.record("screens");
    return desktop_.screenList_;
}

std::optional<platform::Screen> SimScreens::mainScreen() {
    desktop_.calls_.record("mainScreen");
    if (desktop_.mainScreen_) return desktop_.mainScreen_;
    if (desktop_.screenList_.empty()) return std::nullopt;
    return desktop_.screenList_.front();
}

std::optional<platform::DefaultsValue> SimDefaults::object(std::string_view key) const {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void SimDefaults::set(std::string_view key, platform::DefaultsValue value) {
    calls_.record(format("defaults set {}", key));
    values_.insert_or_assign(std::string(key), std::move(value));
}

}  // namespace corvane::sim
