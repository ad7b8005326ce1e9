#include "corvane/hotkeys/hotkey_manager.h"

#include <utility>

namespace corvane {

namespace {
constexpr std::int32_t kHandled = 0;
}  // namespace

HotkeyManager::HotkeyManager(platform::HotKeyService& service, platform::MainQueue& queue)
    : service_(service), queue_(queue) {
    installHandler();
}

HotkeyManager::~HotkeyManager() {
    unregisterAll();
    if (handlerRef_) service_.removeHandler(*handlerRef_);
}

void HotkeyManager::installHandler() {
    handlerRef_ =
        service_.installHandler([this](const platform::HotKeyEvent* event) { return handle(event); });
}

std::int32_t HotkeyManager::handle(const platform::HotKeyEvent* event) {
    if (event == nullptr) return kHandled;
    const std::uint32_t id = event->hotKeyID ? event->hotKeyID->id : 0;
    // Copied now: unregistering before the queue gets to it must not take
    // back a press already delivered.
    const auto found = actions_.find(id);
    Action action = found == actions_.end() ? Action{} : found->second;
    queue_.post([action = std::move(action)] {
        if (action) action();
    });
    return kHandled;
}

bool HotkeyManager::registerKey(std::uint32_t id, std::uint32_t keyCode, std::uint32_t modifiers,
                                Action action) {
    unregister(id);
    const auto registration = service_.registerHotKey(keyCode, modifiers, {kSignature, id});
    if (registration.status != platform::kHotKeyNoError || !registration.ref) {
        // A success without a reference is no success; say "taken" for it.
        lastRefusal_ = registration.status != platform::kHotKeyNoError ? registration.status
                                                                       : platform::kHotKeyExistsError;
        return false;
    }
    refs_[id] = *registration.ref;
    actions_[id] = std::move(action);
    return true;
}

void HotkeyManager::unregister(std::uint32_t id) {
    if (const auto found = refs_.find(id); found != refs_.end()) {
        service_.unregisterHotKey(found->second);
    }
    refs_.erase(id);
    actions_.erase(id);
}

void HotkeyManager::unregisterAll() {
    std::vector<std::uint32_t> ids;
    ids.reserve(refs_.size());
    for (const auto& entry : refs_) ids.push_back(entry.first);
    for (const auto id : ids) unregister(id);
}

}  // namespace corvane
