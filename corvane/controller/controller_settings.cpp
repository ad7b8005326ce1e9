#include <algorithm>

#include "corvane/controller/controller.h"

namespace corvane {

void Controller::loadSettings() {
    using namespace settings;
    const platform::DefaultsStore& store = platform_.defaults;
    layout_ = layout::fromRawValue(store.string(kLayout.key).value_or("")).value_or(kLayout.fallback);
    hotkeyID_ = store.string(kHotkey.key).value_or(std::string(kHotkey.fallback));
    showBorder_ = store.boolean(kShowBorder.key).value_or(kShowBorder.fallback);
    names_ = store.stringList(kNamesKey).value_or(defaultNames());
    mainShare_ = store.number(kMainShare.key).value_or(kMainShare.fallback);
    showPreview_ = store.boolean(kShowPreview.key).value_or(kShowPreview.fallback);
    previewWidth_ = store.number(kPreviewWidth.key).value_or(kPreviewWidth.fallback);
    clickPreviewSwitches_ = store.boolean(kPreviewClick.key).value_or(kPreviewClick.fallback);
    jumpStyle_ =
        HotkeyManager::jumpStyle(store.string(kJumpStyle.key).value_or("")).value_or(kJumpStyle.fallback);
    keepSlots_ = store.boolean(kKeepSlots.key).value_or(kKeepSlots.fallback);
    previewsWithGame_ = store.boolean(kPreviewsWithGame.key).value_or(kPreviewsWithGame.fallback);
    previewLabels_ = store.boolean(kPreviewLabels.key).value_or(kPreviewLabels.fallback);
    arrangeScreen_ = store.string(kArrangeScreen.key).value_or(std::string(kArrangeScreen.fallback));
    if (keepSlots_)
        slotMemory_ = SlotMemory(store.stringList(kSlotLaunchesKey).value_or(platform::StringList{}));
}

void Controller::setLayout(Layout value) {
    publish(Property::layout, layout_, value);
    platform_.defaults.set(settings::kLayout.key, std::string(layout::rawValue(layout_)));
    applyLayout();
}

void Controller::setHotkeyID(std::string value) {
    assign(Property::hotkeyID, hotkeyID_, std::move(value), settings::kHotkey.key);
    registerHotkeys();
}

void Controller::setShowBorder(bool value) {
    assign(Property::showBorder, showBorder_, value, settings::kShowBorder.key);
    updateBorder();
}

void Controller::setShowPreview(bool value) {
    assign(Property::showPreview, showPreview_, value, settings::kShowPreview.key);
    updatePreview();
}

void Controller::setPreviewWidth(double value) {
    assign(Property::previewWidth, previewWidth_, value, settings::kPreviewWidth.key);
    for (const auto& [pid, preview] : previews_) preview->resize(previewWidth_);
}

void Controller::setJumpStyle(HotkeyManager::JumpStyle value) {
    publish(Property::jumpStyle, jumpStyle_, value);
    platform_.defaults.set(settings::kJumpStyle.key, std::string(HotkeyManager::rawValue(jumpStyle_)));
    registerHotkeys();
}

void Controller::setClickPreviewSwitches(bool value) {
    assign(Property::clickPreviewSwitches, clickPreviewSwitches_, value, settings::kPreviewClick.key);
}

void Controller::setMainShare(double value) {
    assign(Property::mainShare, mainShare_, value, settings::kMainShare.key);
    applyLayout();
}

void Controller::setPreviewsWithGame(bool value) {
    assign(Property::previewsWithGame, previewsWithGame_, value, settings::kPreviewsWithGame.key);
    updatePreview();
}

void Controller::setPreviewLabels(bool value) {
    assign(Property::previewLabels, previewLabels_, value, settings::kPreviewLabels.key);
    updatePreview();
}

void Controller::setArrangeScreen(std::string value) {
    assign(Property::arrangeScreen, arrangeScreen_, std::move(value), settings::kArrangeScreen.key);
    applyLayout();
}

void Controller::setKeepSlots(bool value) {
    assign(Property::keepSlots, keepSlots_, value, settings::kKeepSlots.key);
    // Turned on, the slots as they are now are the ones kept; turned off,
    // nothing of the launches stays stored and launch order holds again.
    slotMemory_ = SlotMemory();
    platform_.defaults.set(settings::kSlotLaunchesKey, platform::StringList{});
    if (keepSlots_) {
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
    const auto* found = HotkeyManager::choice(hotkeyID_);
    const auto& choice = found != nullptr ? *found : HotkeyManager::cycleChoices().front();
    const HotkeyManager::KeyCombo key{choice.keyCode, choice.modifiers};
    const bool registered = hotkeys_->registerKey(kSwitchHotkeyID, key.keyCode, key.modifiers,
                                                  mainThreadAction([](Controller& c) { c.switchToNext(); }));
    hotkeyProblem_.reset();
    if (!registered) hotkeyProblem_ = keyProblem(Problem::hotkeyTaken, Problem::hotkeyMissing);
    publish(Property::hotkeyRegistered, hotkeyRegistered_, registered);

    bool allSucceeded = true;
    std::optional<Problem> problem;
    for (int slot = 0; slot < HotkeyManager::kJumpSlots; ++slot) {
        const auto combo = HotkeyManager::key(jumpStyle_, slot);
        if (!combo) continue;
        const bool ok = hotkeys_->registerKey(kFirstJumpHotkeyID + static_cast<std::uint32_t>(slot),
                                              combo->keyCode, combo->modifiers,
                                              mainThreadAction([slot](Controller& c) { c.focusSlot(slot); }));
        if (ok) continue;
        allSucceeded = false;
        // Told by the one that says most about what to change: the user's own
        // switch key, else a missing key, else a taken one (the enum's order).
        const Problem why = registered && *combo == key
                                ? Problem::jumpKeysCollide
                                : keyProblem(Problem::jumpKeysTaken, Problem::jumpKeysMissing);
        if (!problem || static_cast<int>(why) > static_cast<int>(*problem)) problem = why;
    }
    jumpKeysProblem_ = problem;
    publish(Property::jumpKeysRegistered, jumpKeysRegistered_, allSucceeded);
}

}  // namespace corvane
