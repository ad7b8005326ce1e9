#include <algorithm>

#include "corvane/clients/layout.h"
#include "corvane/clients/screen_coordinates.h"
#include "corvane/controller/controller.h"

namespace corvane {

void Controller::applyLayout() {
    if (!accessibilityGranted_ || clients_.empty()) return;
    const auto screens = platform_.screens.screens();
    if (screens.empty()) return;
    const platform::Screen& primary = screens.front();
    const platform::Rect area = ScreenCoordinates::appKitRect(primary.visibleFrame, primary.frame.height);
    const std::size_t activeIndex = activePid_ ? slotOf(*activePid_).value_or(0) : 0;
    const auto wanted = layout::frames(layout_, static_cast<std::int64_t>(clients_.size()),
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

void Controller::requestAccessibility() {
    platform_.accessibility.requestTrust();
}

}  // namespace corvane
