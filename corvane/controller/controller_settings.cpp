#include <algorithm>

#include "corvane/controller/controller.h"

namespace corvane {

void Controller::loadSettings() {
    values_ = settings::load(platform_.defaults);
    if (values_.keepSlots)
        slotMemory_ = SlotMemory(
            platform_.defaults.stringList(settings::kSlotLaunchesKey).value_or(platform::StringList{}));
}

void Controller::react(Property setting) {
    switch (setting) {
        case Property::layout:
        case Property::mainShare:
        case Property::arrangeScreen:
            applyLayout();
            break;
        case Property::hotkeyID:
        case Property::jumpStyle:
            registerHotkeys();
            break;
        case Property::showBorder:
            updateBorder();
            break;
        case Property::showPreview:
        case Property::previewsWithGame:
        case Property::previewLabels:
            updatePreview();
            break;
        case Property::previewWidth:
            for (const auto& [pid, preview] : previews_) preview->resize(values_.previewWidth);
            break;
        case Property::keepSlots:
            keepSlotsChanged();
            break;
        default:
            break;
    }
}

void Controller::keepSlotsChanged() {
    // Turned on, the slots as they are now are the ones kept; turned off,
    // nothing of the launches stays stored and launch order holds again.
    slotMemory_ = SlotMemory();
    platform_.defaults.set(settings::kSlotLaunchesKey, platform::StringList{});
    if (values_.keepSlots) {
        rememberSlots(launchIdentities(clients_));
        return;
    }
    const std::size_t count = clients_.size();
    const auto before = clients_;
    tick();
    if (clients_ != before && clients_.size() == count) applyLayout();
}

std::vector<std::optional<std::string>> Controller::launchIdentities(
    const std::vector<WowClient>& clients) const {
    std::vector<std::optional<std::string>> identities;
    identities.reserve(clients.size());
    for (const auto& client : clients) identities.push_back(platform_.workspace.launchIdentity(client.pid));
    return identities;
}

void Controller::rememberSlots(const std::vector<std::optional<std::string>>& identities) {
    if (slotMemory_.remember(identities))
        platform_.defaults.set(settings::kSlotLaunchesKey, slotMemory_.identities());
}

HotkeyManager::Action Controller::mainThreadAction(std::function<void(Controller&)> step) {
    std::weak_ptr<Controller> weak = weak_from_this();
    platform::MainQueue& queue = platform_.mainQueue;
    // The registry already runs the action as a main-thread step of its own;
    // the controller is reached one step later still.
    return [weak, &queue, step = std::move(step)] {
        queue.post([weak, step] {
            if (auto self = weak.lock()) step(*self);
        });
    };
}

Problem Controller::keyProblem(Problem taken, Problem missing) const {
    return hotkeys_->lastRefusal() == platform::kHotKeyInvalidError ? missing : taken;
}

void Controller::registerHotkeys() {
    hotkeys_->unregisterAll();
    const auto keys = HotkeyManager::wantedKeys(values_.hotkeyID, values_.jumpStyle);
    const auto& switchKey = keys.front().combo;
    const bool registered = hotkeys_->registerKey(kSwitchHotkeyID, switchKey.keyCode, switchKey.modifiers,
                                                  mainThreadAction([](Controller& c) { c.switchToNext(); }));
    hotkeyProblem_.reset();
    if (!registered) hotkeyProblem_ = keyProblem(Problem::hotkeyTaken, Problem::hotkeyMissing);
    publish(Property::hotkeyRegistered, hotkeyRegistered_, registered);

    bool allSucceeded = true;
    std::optional<Problem> problem;
    for (const auto& key : keys) {
        if (!key.slot) continue;
        const int slot = *key.slot;
        const bool ok = hotkeys_->registerKey(kFirstJumpHotkeyID + static_cast<std::uint32_t>(slot),
                                              key.combo.keyCode, key.combo.modifiers,
                                              mainThreadAction([slot](Controller& c) { c.focusSlot(slot); }));
        if (ok) continue;
        allSucceeded = false;
        // Told by the one that says most about what to change: the user's own
        // switch key, else a missing key, else a taken one (the enum's order).
        const Problem why = registered && key.combo == switchKey
                                ? Problem::jumpKeysCollide
                                : keyProblem(Problem::jumpKeysTaken, Problem::jumpKeysMissing);
        if (!problem || static_cast<int>(why) > static_cast<int>(*problem)) problem = why;
    }
    jumpKeysProblem_ = problem;
    publish(Property::jumpKeysRegistered, jumpKeysRegistered_, allSucceeded);
}

}  // namespace corvane
