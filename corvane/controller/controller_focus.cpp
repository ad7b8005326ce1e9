#include <algorithm>

#include "corvane/clients/screen_coordinates.h"
#include "corvane/controller/controller.h"

namespace corvane {

namespace {

constexpr double kMinMainShare = 0.5;
constexpr double kMaxMainShare = 0.85;

double clampShare(double share) {
    if (share <= kMinMainShare) return kMinMainShare;
    if (share > kMaxMainShare) return kMaxMainShare;
    return share;
}

std::vector<platform::Rect> mainPlusSideFrames(std::int64_t count, std::int64_t activeIndex,
                                               const platform::Rect& area, double mainShare) {
    const double x = area.x;
    const double y = area.y;
    const double w = area.width;
    const double h = area.height;
    const double mainWidth = platform::roundHalfAwayFromZero(clampShare(mainShare) * w);
    const double sideWidth = w - mainWidth;
    const double sideHeight = std::min(sideWidth * h / w, h / static_cast<double>(count - 1));
    std::vector<platform::Rect> frames;
    frames.reserve(static_cast<std::size_t>(count));
    double k = 0;
    for (std::int64_t j = 0; j < count; ++j) {
        if (j == activeIndex) {
            frames.push_back({x, y, mainWidth, h});
        } else {
            frames.push_back({mainWidth + x, sideHeight * k + y, sideWidth, sideHeight});
            k += 1;
        }
    }
    return frames;
}

}  // namespace

std::vector<platform::Rect> Controller::frames(Layout layout, std::int64_t count, std::int64_t activeIndex,
                                               const platform::Rect& area, double mainShare) {
    if (count <= 0) return {};
    const platform::Rect a = area.standardized();
    const auto n = static_cast<double>(count);
    std::vector<platform::Rect> out;
    switch (layout) {
        case Layout::sideBySide:
            for (std::int64_t i = 0; i < count; ++i) {
                const double columnWidth = a.width / n;
                out.push_back({a.x + columnWidth * static_cast<double>(i), a.y, columnWidth, a.height});
            }
            return out;
        case Layout::stacked:
            for (std::int64_t i = 0; i < count; ++i) {
                const double rowHeight = a.height / n;
                out.push_back({a.x, rowHeight * static_cast<double>(i) + a.y, a.width, rowHeight});
            }
            return out;
        case Layout::mainPlusSide:
            if (count == 1) return {a};
            return mainPlusSideFrames(count, activeIndex, a, mainShare);
    }
    return out;
}

void Controller::applyLayout() {
    if (!accessibilityGranted_ || clients_.empty()) return;
    const auto screens = platform_.screens.screens();
    if (screens.empty()) return;
    const platform::Screen& primary = screens.front();
    const platform::Rect area = ScreenCoordinates::appKitRect(primary.visibleFrame, primary.frame.height);
    const std::size_t activeIndex = activePid_ ? slotOf(*activePid_).value_or(0) : 0;
    const auto wanted = frames(layout_, static_cast<std::int64_t>(clients_.size()),
                               static_cast<std::int64_t>(activeIndex), area, mainShare_);
    auto& accessibility = platform_.accessibility;
    const std::size_t pairs = std::min(clients_.size(), wanted.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        const platform::Rect rounded = wanted[i].integral();
        if (const auto window = clients_[i].mainWindow(accessibility)) {
            WowClient::setFrame(*window, rounded, accessibility);
        }
    }
    updateBorder();
}

void Controller::focusClient(const WowClient& client) {
    publish(Property::activePid, activePid_, std::optional<platform::Pid>(client.pid));
    if (layout_ == Layout::mainPlusSide) applyLayout();
    if (const auto window = client.mainWindow(platform_.accessibility)) {
        platform_.accessibility.raise(*window);
    }
    platform_.workspace.activateApplication(client.pid);
    updateBorder();
    updatePreview();
}

void Controller::focusSlot(int slot) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= clients_.size()) return;
    // A copy: focusing may not change the list, but the reference must not dangle if it ever does.
    const WowClient client = clients_[static_cast<std::size_t>(slot)];
    focusClient(client);
}

void Controller::switchToNext() {
    if (clients_.empty()) return;
    std::size_t next = 0;
    if (activePid_) {
        if (const auto slot = slotOf(*activePid_)) next = *slot + 1;
    }
    const WowClient client = clients_[next % clients_.size()];
    focusClient(client);
}

void Controller::requestAccessibility() { platform_.accessibility.requestTrust(); }

}  // namespace corvane
