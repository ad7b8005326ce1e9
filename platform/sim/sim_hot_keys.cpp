#include <algorithm>

#include "platform/sim/sim_services.h"

namespace corvane::sim {

std::optional<platform::HotKeyHandlerRef> SimHotKeys::installHandler(platform::HotKeyHandler handler) {
    calls_.record("installHandler");
    handler_ = std::move(handler);
    return ++handlerRef_;
}

void SimHotKeys::removeHandler(platform::HotKeyHandlerRef handler) {
    calls_.record(format("removeHandler {}", handler));
    if (handler == handlerRef_) handler_ = nullptr;
}

platform::HotKeyRegistration SimHotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                        platform::HotKeyID id) {
    calls_.record(format("registerHotKey {} {:#x} id {}", keyCode, modifiers, id.id));
    if (std::find(missing_.begin(), missing_.end(), keyCode) != missing_.end()) {
        return {platform::kHotKeyInvalidError, std::nullopt};
    }
    const auto combo = std::make_pair(keyCode, modifiers);
    const bool takenElsewhere = std::find(taken_.begin(), taken_.end(), combo) != taken_.end();
    const bool takenHere = std::any_of(registered_.begin(), registered_.end(), [&](const auto& entry) {
        return entry.second.keyCode == keyCode && entry.second.modifiers == modifiers;
    });
    if (takenElsewhere || takenHere) return {platform::kHotKeyExistsError, std::nullopt};
    const platform::HotKeyRef ref = nextRef_++;
    registered_[ref] = {keyCode, modifiers, id};
    return {platform::kHotKeyNoError, ref};
}

void SimHotKeys::unregisterHotKey(platform::HotKeyRef ref) {
    auto it = registered_.find(ref);
    calls_.record(format("unregisterHotKey id {}", it == registered_.end() ? 0U : it->second.id.id));
    if (it != registered_.end()) registered_.erase(it);
}

void SimHotKeys::take(std::uint32_t keyCode, std::uint32_t modifiers) {
    taken_.emplace_back(keyCode, modifiers);
}

std::optional<std::int32_t> SimHotKeys::press(std::uint32_t keyCode, std::uint32_t modifiers) {
    for (const auto& [ref, key] : registered_) {
        if (key.keyCode == keyCode && key.modifiers == modifiers) {
            const platform::HotKeyEvent event{key.id};
            return deliver(&event);
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> SimHotKeys::deliver(const platform::HotKeyEvent* event) {
    if (!handler_) return std::nullopt;
    auto handler = handler_;  // the handler may be removed while it runs
    return handler(event);
}

}  // namespace corvane::sim
