#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "corvane/clients/layout.h"
#include "corvane/controller/property.h"
#include "corvane/hotkeys/hotkey_manager.h"
#include "platform/defaults_store.h"

namespace corvane::settings {

/// Every setting's value, as loaded or last assigned.
struct Values {
    Layout layout{};
    std::string hotkeyID;
    bool showBorder = false;
    platform::StringList names;
    bool showPreview = false;
    double previewWidth = 0;
    HotkeyManager::JumpStyle jumpStyle{};
    bool clickPreviewSwitches = false;
    double mainShare = 0;
    bool keepSlots = false;
    bool previewsWithGame = false;
    bool previewLabels = false;
    /// The monitor the games are arranged on, by name; "" for the primary one.
    std::string arrangeScreen;
};

/// Where the panel keeps a number. The controller keeps any number it is
/// given or finds stored: the layout clamps the main share where it uses it.
struct Range {
    double min = 0;
    double max = 0;
};

/// A default that can be a constant where the value itself cannot.
template <typename T>
using Fallback = std::conditional_t<
    std::is_same_v<T, std::string>, std::string_view,
    std::conditional_t<std::is_same_v<T, platform::StringList>, std::array<std::string_view, 5>, T>>;

/// One persisted setting: its key in the defaults store, its value while
/// nothing (or nothing readable) is stored, the property that publishes it
/// and where the controller holds it.
template <typename T>
struct Setting {
    using Value = T;
    std::string_view key;
    Fallback<T> fallback;
    Property property;
    T Values::*field;
    std::optional<Range> range = std::nullopt;

    [[nodiscard]] T initial() const {
        if constexpr (std::is_same_v<T, platform::StringList>) {
            return T(fallback.begin(), fallback.end());
        } else {
            return T(fallback);
        }
    }
};

inline constexpr Setting<Layout> kLayout{"layout", Layout::mainPlusSide, Property::layout, &Values::layout};
inline constexpr Setting<std::string> kHotkey{"hotkey", "grave", Property::hotkeyID, &Values::hotkeyID};
inline constexpr Setting<bool> kShowBorder{"showBorder", true, Property::showBorder, &Values::showBorder};
inline constexpr Setting<platform::StringList> kNames{
    "names", {"Window 1", "Window 2", "Window 3", "Window 4", "Window 5"}, Property::names, &Values::names};
inline constexpr Setting<double> kMainShare{"mainShare", 0.72, Property::mainShare, &Values::mainShare,
                                            Range{layout::kMinMainShare, layout::kMaxMainShare}};
inline constexpr Setting<bool> kShowPreview{"showPreview", false, Property::showPreview,
                                            &Values::showPreview};
inline constexpr Setting<double> kPreviewWidth{"previewWidth", 420.0, Property::previewWidth,
                                               &Values::previewWidth, Range{240, 900}};
inline constexpr Setting<bool> kPreviewClick{"previewClick", true, Property::clickPreviewSwitches,
                                             &Values::clickPreviewSwitches};
inline constexpr Setting<HotkeyManager::JumpStyle> kJumpStyle{"jumpStyle", HotkeyManager::JumpStyle::off,
                                                              Property::jumpStyle, &Values::jumpStyle};
inline constexpr Setting<bool> kKeepSlots{"keepSlots", false, Property::keepSlots, &Values::keepSlots};
inline constexpr Setting<bool> kPreviewsWithGame{"previewsWithGame", false, Property::previewsWithGame,
                                                 &Values::previewsWithGame};
inline constexpr Setting<bool> kPreviewLabels{"previewLabels", false, Property::previewLabels,
                                              &Values::previewLabels};
inline constexpr Setting<std::string> kArrangeScreen{"arrangeScreen", "", Property::arrangeScreen,
                                                     &Values::arrangeScreen};
/// The launches whose slots are kept, in slot order (SlotMemory); only while kKeepSlots is on.
inline constexpr std::string_view kSlotLaunchesKey = "slotLaunches";

inline constexpr std::tuple kAll{kLayout,           kHotkey,        kShowBorder,   kNames,     kMainShare,
                                 kShowPreview,      kPreviewWidth,  kPreviewClick, kJumpStyle, kKeepSlots,
                                 kPreviewsWithGame, kPreviewLabels, kArrangeScreen};

/// Calls `visit` with each setting's declaration.
template <typename Visit>
void forEach(Visit&& visit) {
    std::apply([&visit](const auto&... setting) { (visit(setting), ...); }, kAll);
}

/// The value stored under the setting's key; the default for none, one of
/// another type or an enumeration's unknown raw value.
template <typename T>
[[nodiscard]] T load(const platform::DefaultsStore& store, const Setting<T>& setting) {
    if constexpr (std::is_same_v<T, Layout>) {
        return layout::fromRawValue(store.string(setting.key).value_or("")).value_or(setting.initial());
    } else if constexpr (std::is_same_v<T, HotkeyManager::JumpStyle>) {
        return HotkeyManager::jumpStyle(store.string(setting.key).value_or("")).value_or(setting.initial());
    } else {
        auto stored = store.object(setting.key);
        auto* typed = stored ? std::get_if<T>(&*stored) : nullptr;
        return typed != nullptr ? std::move(*typed) : setting.initial();
    }
}

/// Writes `value` under the setting's key; an enumeration as its raw value.
template <typename T>
void store(platform::DefaultsStore& store, const Setting<T>& setting, const T& value) {
    if constexpr (std::is_same_v<T, Layout>) {
        store.set(setting.key, std::string(layout::rawValue(value)));
    } else if constexpr (std::is_same_v<T, HotkeyManager::JumpStyle>) {
        store.set(setting.key, std::string(HotkeyManager::rawValue(value)));
    } else {
        store.set(setting.key, value);
    }
}

/// Every setting as `store` holds it.
[[nodiscard]] inline Values load(const platform::DefaultsStore& store) {
    Values values;
    forEach([&](const auto& setting) { values.*setting.field = load(store, setting); });
    return values;
}

}  // namespace corvane::settings
