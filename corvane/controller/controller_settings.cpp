#include <algorithm>

#include "corvane/controller/controller.h"

namespace corvane {

namespace {

std::vector<std::string> defaultNames() {
    return {"Window 1", "Window 2", "Window 3", "Window 4", "Window 5"};
}

}  // namespace

void Controller::loadSettings() {
    const platform::DefaultsStore& store = platform_.defaults;
    layout_ = layout::fromRawValue(store.string("layout").value_or("")).value_or(Layout::mainPlusSide);
    hotkeyID_ = store.string("hotkey").value_or("grave");
    showBorder_ = store.boolean("showBorder").value_or(true);
    names_ = store.stringList("names").value_or(defaultNames());
    mainShare_ = store.number("mainShare").value_or(0.72);
    showPreview_ = store.boolean("showPreview").value_or(false);
    previewWidth_ = store.number("previewWidth").value_or(420.0);
    clickPreviewSwitches_ = store.boolean("previewClick").value_or(true);
    jumpStyle_ = HotkeyManager::jumpStyle(store.string("jumpStyle").value_or(""))
                     .value_or(HotkeyManager::JumpStyle::off);
}

void Controller::setLayout(Layout value) {
    publish(Property::layout, layout_, value);
    platform_.defaults.set("layout", std::string(layout::rawValue(layout_)));
    applyLayout();
}

void Controller::setHotkeyID(std::string value) {
    publish(Property::hotkeyID, hotkeyID_, std::move(value));
    platform_.defaults.set("hotkey", hotkeyID_);
    registerHotkeys();
}

void Controller::setShowBorder(bool value) {
    publish(Property::showBorder, showBorder_, value);
    platform_.defaults.set("showBorder", showBorder_);
    updateBorder();
}

void Controller::setShowPreview(bool value) {
    publish(Property::showPreview, showPreview_, value);
    platform_.defaults.set("showPreview", showPreview_);
    updatePreview();
}

void Controller::setPreviewWidth(double value) {
    publish(Property::previewWidth, previewWidth_, value);
    platform_.defaults.set("previewWidth", previewWidth_);
    for (const auto& [pid, preview] : previews_) preview->resize(previewWidth_);
}

void Controller::setJumpStyle(HotkeyManager::JumpStyle value) {
    publish(Property::jumpStyle, jumpStyle_, value);
    platform_.defaults.set("jumpStyle", std::string(HotkeyManager::rawValue(jumpStyle_)));
    registerHotkeys();
}

void Controller::setClickPreviewSwitches(bool value) {
    publish(Property::clickPreviewSwitches, clickPreviewSwitches_, value);
    platform_.defaults.set("previewClick", clickPreviewSwitches_);
}

void Controller::setMainShare(double value) {
    publish(Property::mainShare, mainShare_, value);
    platform_.defaults.set("mainShare", mainShare_);
    applyLayout();
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

void Controller::registerHotkeys() {
    hotkeys_->unregisterAll();
    const auto& choices = HotkeyManager::cycleChoices();
    auto choice = std::find_if(choices.begin(), choices.end(),
                               [this](const HotkeyManager::Choice& c) { return c.id == hotkeyID_; });
    const HotkeyManager::KeyCombo key = choice != choices.end()
                                            ? HotkeyManager::KeyCombo{choice->keyCode, choice->modifiers}
                                            : HotkeyManager::KeyCombo{choices.front().keyCode, choices.front().modifiers};
    const bool registered = hotkeys_->registerKey(kSwitchHotkeyID, key.keyCode, key.modifiers,
                                                  mainThreadAction([](Controller& c) { c.switchToNext(); }));
    publish(Property::hotkeyRegistered, hotkeyRegistered_, registered);

    bool allSucceeded = true;
    for (int slot = 0; slot < kJumpSlots; ++slot) {
        const auto combo = HotkeyManager::key(jumpStyle_, slot);
        if (!combo) continue;
        const bool ok = hotkeys_->registerKey(kFirstJumpHotkeyID + static_cast<std::uint32_t>(slot), combo->keyCode,
                                              combo->modifiers,
                                              mainThreadAction([slot](Controller& c) { c.focusSlot(slot); }));
        if (!ok) allSucceeded = false;
    }
    publish(Property::jumpKeysRegistered, jumpKeysRegistered_, allSucceeded);
}

}  // namespace corvane
