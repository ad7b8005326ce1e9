#include "corvane/clients/wow_client.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr std::string_view kPreviewBundleOption = "-previewBundle";

bool isClient(const platform::RunningApplication& app, const std::set<std::string>& extra) {
    if (app.terminated) return false;
    if (app.bundleIdentifier && extra.contains(*app.bundleIdentifier)) return true;
    return app.bundleIdentifier.value_or("").starts_with(WowClient::kBundlePrefix);
}

double area(platform::WindowRef window, platform::Accessibility& accessibility) {
    const auto frame = WowClient::frame(window, accessibility);
    return frame ? frame->width * frame->height : 0.0;
}

}  // namespace

std::set<std::string> WowClient::extraBundleIDs(const std::vector<std::string>& arguments) {
    std::set<std::string> ids;
    auto option = std::find(arguments.begin(), arguments.end(), kPreviewBundleOption);
    if (option == arguments.end() || std::next(option) == arguments.end()) return ids;
    const std::string_view value = *std::next(option);
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        if (comma > start) ids.emplace(value.substr(start, comma - start));
        start = comma + 1;
    }
    return ids;
}

std::vector<WowClient> WowClient::running(platform::Workspace& workspace,
                                          platform::ProcessInfo& processInfo) {
    const auto extra = extraBundleIDs(processInfo.arguments());
    std::vector<WowClient> clients;
    for (const auto& app : workspace.runningApplications()) {
        if (!isClient(app, extra)) continue;
        clients.push_back({app.pid, app.launchDate.value_or(platform::Date::distantPast())});
    }
    std::stable_sort(clients.begin(), clients.end(), [](const WowClient& a, const WowClient& b) {
        if (a.launchDate != b.launchDate) return a.launchDate < b.launchDate;
        return a.pid < b.pid;
    });
    return clients;
}

std::optional<platform::WindowRef> WowClient::mainWindow(platform::Accessibility& accessibility) const {
    const auto windows = accessibility.windows(pid);
    if (!windows || windows->empty()) return std::nullopt;
    platform::WindowRef best = windows->front();
    for (std::size_t i = 1; i < windows->size(); ++i) {
        // Both areas are read afresh: a window may have changed since the last comparison.
        const double candidate = area((*windows)[i], accessibility);
        const double current = area(best, accessibility);
        if (candidate > current) best = (*windows)[i];
    }
    return best;
}

std::optional<platform::Rect> WowClient::frame(platform::WindowRef window,
                                               platform::Accessibility& accessibility) {
    const auto position = accessibility.position(window);
    if (!position) return std::nullopt;
    const auto size = accessibility.size(window);
    if (!size) return std::nullopt;
    return platform::Rect{position->x, position->y, size->width, size->height};
}

void WowClient::setFrame(platform::WindowRef window, const platform::Rect& frame,
                         platform::Accessibility& accessibility) {
    // The position goes again after the size: a window that was moved partly
    // off screen may be pushed back while it grows.
    accessibility.setPosition(window, frame.origin());
    accessibility.setSize(window, frame.size());
    accessibility.setPosition(window, frame.origin());
}

}  // namespace corvane
