#include <algorithm>

#include "corvane/clients/layout.h"
#include "corvane/clients/screen_coordinates.h"
#include "corvane/controller/controller.h"

namespace corvane {

std::optional<platform::Rect> Controller::arrangeArea() const {
    const auto screens = platform_.screens.screens();
    if (screens.empty()) return std::nullopt;
    const platform::Screen& primary = screens.front();
    const auto chosen = std::find_if(screens.begin(), screens.end(), [this](const platform::Screen& screen) {
        return !values_.arrangeScreen.empty() && screen.name == values_.arrangeScreen;
    });
    const platform::Screen& screen = chosen != screens.end() ? *chosen : primary;
    return ScreenCoordinates::appKitRect(screen.visibleFrame, primary.frame.height);
}

std::vector<std::string> Controller::screenNames() const {
    std::vector<std::string> names;
    for (const auto& screen : platform_.screens.screens()) {
        if (!screen.name.empty()) names.push_back(screen.name);
    }
    return names;
}

void Controller::applyLayout() {
    if (!accessibilityGranted_ || clients_.empty()) return;
    const auto found = arrangeArea();
    if (!found) return;
    const platform::Rect area = *found;
    arrangedArea_ = area;
    const std::size_t activeIndex = activePid_ ? slotOf(*activePid_).value_or(0) : 0;
    const auto wanted = layout::frames(values_.layout, static_cast<std::int64_t>(clients_.size()),
                                       static_cast<std::int64_t>(activeIndex), area, values_.mainShare);
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
    if (values_.layout == Layout::mainPlusSide) applyLayout();
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

void Controller::requestAccessibility() {
    platform_.accessibility.requestTrust();
}

}  // namespace corvane
